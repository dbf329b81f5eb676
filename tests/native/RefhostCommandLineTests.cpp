// refhost as an author meets it: its command line and the lines of --trace.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "Options.h"
#include "TraceText.h"

namespace refhost {
namespace {

TEST(RefhostOptions, HelpDoesNothingElseWhateverFollows) {
  for (auto args : std::vector<std::vector<std::string>>{{"--help"}, {"--help", "x.dll"}, {"-h"}, {"--bogus", "/?"}}) {
    Options o = ParseOptions(args);
    EXPECT_TRUE(o.Help);
  }
  EXPECT_NE(UsageText().find("KarvoPluginRun"), std::string::npos);
  EXPECT_NE(UsageText().find("--trace"), std::string::npos);
  EXPECT_NE(UsageText().find("karvo_sys.db"), std::string::npos);
}

TEST(RefhostOptions, PluginsAndTheirSettings) {
  Options o = ParseOptions({"--data", "d", "--trace", "--no-model", "--timeout", "30", "a.dll", "b.dll"});
  EXPECT_EQ(o.Error, "");
  EXPECT_EQ(o.DataDir, "d");
  EXPECT_TRUE(o.Trace);
  EXPECT_FALSE(o.InstallModel);
  EXPECT_EQ(o.TimeoutSeconds, 30u);
  EXPECT_EQ(o.Plugins, (std::vector<std::string>{"a.dll", "b.dll"}));

  Options serve = ParseOptions({"--serve", "api.txt", "stop"});
  EXPECT_EQ(serve.Error, "");
  EXPECT_EQ(serve.ApiFile, "api.txt");
  EXPECT_EQ(serve.StopFile, "stop");
  EXPECT_TRUE(serve.Plugins.empty());
}

TEST(RefhostOptions, UsageErrorsNameTheirCause) {
  EXPECT_EQ(ParseOptions({}).Error, "no plug-in named");
  EXPECT_EQ(ParseOptions({"--verbose", "a.dll"}).Error, "unknown option --verbose");
  EXPECT_EQ(ParseOptions({"a.dll", "--data"}).Error, "--data needs a folder");
  EXPECT_EQ(ParseOptions({"--serve", "api.txt"}).Error, "--serve needs API_FILE and STOP_FILE");
  EXPECT_EQ(ParseOptions({"--serve", "a", "b", "c.dll"}).Error, "--serve runs no plug-in: name either");
  for (const char* bad : {"0", "-1", "x", "1.5", "86401", ""})
    EXPECT_NE(ParseOptions({"--timeout", bad, "a.dll"}).Error, "") << bad;
  // A plug-in whose name begins with one dash is still a plug-in.
  EXPECT_EQ(ParseOptions({"-odd.dll"}).Plugins, std::vector<std::string>{"-odd.dll"});
}

void Put(unsigned short* field, const std::u16string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) field[i] = text[i];
  field[text.size()] = 0;
}

TEST(RefhostTrace, TextsAreQuotedEscapedAndShortened) {
  EXPECT_EQ(TraceText(u""), u"\"\"");
  EXPECT_EQ(TraceText(u"0\x0001MainForm"), u"\"0\\x01MainForm\"");
  EXPECT_EQ(TraceText(u"a\r\nb \"c\" \\"), u"\"a\\r\\nb \\\"c\\\" \\\\\"");
  EXPECT_EQ(TraceText(u"Żółć"), u"\"Żółć\"");
  std::u16string longText(100, u'x');
  EXPECT_EQ(TraceText(longText), u"\"" + std::u16string(kTraceTextMax, u'x') + u"\"... (100 chars)");
}

TEST(RefhostTrace, ARequestAndItsReply) {
  auto request = std::make_unique<KarvoRequest>();
  auto reply = std::make_unique<KarvoReply>();
  std::memset(request.get(), 0, sizeof(KarvoRequest));
  std::memset(reply.get(), 0, sizeof(KarvoReply));
  std::strcpy(request->Command, KARVO_CMD_OPEN_QUERY_SQL);
  Put(request->SQL, u"SELECT * FROM TOWARY");
  request->DataPointer = 0;
  EXPECT_EQ(TraceRequestLine(*request),
            u"> OPEN_QUERY_SQL  SQL \"SELECT * FROM TOWARY\"  Data \"\"  DataPointer 0x00000000");

  reply->CommandLength = 1;
  reply->Command[0] = KARVO_VERDICT_SUCCESS;
  reply->WriteData = 1;
  reply->WriteDataPointer = 1;
  reply->DataPointer = 0xA51230;
  EXPECT_EQ(TraceReplyLine(*request, *reply, true, 0.44),
            u"< reply 0x01 (success)  Data \"\"  DataPointer 0x00A51230  0.4 ms");
  reply->Command[0] = 0;
  reply->WriteDataPointer = 0;
  Put(reply->Data, u"no such table: NIC");
  EXPECT_EQ(TraceReplyLine(*request, *reply, true, 12),
            u"< reply 0x00 (failure)  Data \"no such table: NIC\"  12.0 ms");
  EXPECT_EQ(TraceReplyLine(*request, *reply, false, 1), u"< no reply: the host left the request unanswered  1.0 ms");
}

TEST(RefhostTrace, ReplyCodesOfStatementsAreNumbers) {
  auto request = std::make_unique<KarvoRequest>();
  auto reply = std::make_unique<KarvoReply>();
  std::memset(request.get(), 0, sizeof(KarvoRequest));
  std::memset(reply.get(), 0, sizeof(KarvoReply));
  std::strcpy(request->Command, KARVO_CMD_EXECUTE_SQL);
  reply->CommandLength = 1;
  for (auto [code, text] : std::vector<std::pair<unsigned char, std::u16string>>{
           {1, u"1 (success)"}, {0, u"0 (error)"}, {250, u"250 (error with message)"}, {7, u"7 (unknown code)"}}) {
    reply->Command[0] = static_cast<char>(code);
    EXPECT_EQ(TraceReplyLine(*request, *reply, true, 0), u"< reply " + text + u"  0.0 ms");
  }
  reply->CommandLength = 0;
  EXPECT_EQ(TraceReplyLine(*request, *reply, true, 0), u"< reply (empty)  0.0 ms");
  // A command of bytes no client should send is shown, not obeyed.
  std::memset(request->Command, 0, sizeof request->Command);
  request->Command[0] = '\x01';
  EXPECT_EQ(TraceRequestLine(*request).substr(0, 6), u"> \\x01");
}

}  // namespace
}  // namespace refhost
