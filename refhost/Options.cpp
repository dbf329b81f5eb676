#include "Options.h"

namespace refhost {

namespace {

// A whole decimal number of seconds, 1 to a day.
bool Seconds(const std::string& text, unsigned& out) {
  if (text.empty() || text.size() > 5) return false;
  unsigned v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned>(c - '0');
  }
  if (v == 0 || v > 86400) return false;
  out = v;
  return true;
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args) {
  Options o;
  auto fail = [&](std::string why) {
    if (o.Error.empty()) o.Error = std::move(why);
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::size_t left = args.size() - i - 1;
    if (a == "--help" || a == "-h" || a == "/?") {
      o.Help = true;
    } else if (a == "--data") {
      if (left < 1)
        fail("--data needs a folder");
      else
        o.DataDir = args[++i];
    } else if (a == "--no-model") {
      o.InstallModel = false;
    } else if (a == "--trace") {
      o.Trace = true;
    } else if (a == "--timeout") {
      if (left < 1 || !Seconds(args[i + 1], o.TimeoutSeconds)) fail("--timeout needs a number of seconds, 1 to 86400");
      i += left < 1 ? 0 : 1;
    } else if (a == "--serve") {
      if (left < 2) {
        fail("--serve needs API_FILE and STOP_FILE");
        i = args.size();
      } else {
        o.ApiFile = args[++i];
        o.StopFile = args[++i];
      }
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      fail("unknown option " + a);
    } else {
      o.Plugins.push_back(a);
    }
  }
  if (o.Help) return o;
  if (o.Error.empty() && o.Plugins.empty() && o.ApiFile.empty()) fail("no plug-in named");
  if (o.Error.empty() && !o.Plugins.empty() && !o.ApiFile.empty()) fail("--serve runs no plug-in: name either");
  return o;
}

std::string UsageText() {
  return "usage: refhost [--data DIR] [--no-model] [--trace] [--timeout SECONDS] PLUGIN.dll [...]\n"
         "       refhost [--data DIR] [--trace] --serve API_FILE STOP_FILE\n"
         "       refhost --help\n"
         "\n"
         "The reference host of KARVO.DLL: it serves plug-ins from two SQLite databases, a tree of\n"
         "host objects (a main form with a menu, controls, bitmaps, actions) and a JavaScript\n"
         "engine, and runs the plug-ins named on its command line in its own process, one after\n"
         "another.\n"
         "\n"
         "  PLUGIN.dll         a 32-bit DLL that exports, by exactly this name,\n"
         "                       int __stdcall KarvoPluginRun(const char* callDocument)\n"
         "                     (MinGW: link with -Wl,--kill-at; MSVC: a .def file). refhost hands it\n"
         "                     the call document of the procedure WycenZamowienie, whose variables are\n"
         "                     APIHANDLE (pass the whole document to OpenAPI), Klient, Ilosc and\n"
         "                     CenaGrosze, and prints what it returns (0 = its work went well). When\n"
         "                     the DLL also exports\n"
         "                       const char* __stdcall KarvoPluginAnswer(void)\n"
         "                     refhost prints the answered call document it returns.\n"
         "  --data DIR         the folder of the databases: karvo.db (the ordinary one) and\n"
         "                     karvo_sys.db (the system one); default refhost-data beside refhost.exe.\n"
         "                     A database that is missing or has no tables gets the sample tables;\n"
         "                     copy your own SQLite databases there under these names to serve them.\n"
         "  --no-model         install no object model in KARVO.DLL: plug-ins then take the paths of\n"
         "                     a host in another process\n"
         "  --trace            print every request and reply as it is served: the command, SQL and\n"
         "                     Data (shortened), DataPointer, the reply code and the time it took\n"
         "  --timeout SECONDS  stop, naming the plug-in, when one runs longer than this\n"
         "  --serve API_FILE STOP_FILE\n"
         "                     run no plug-in: write the API handle into API_FILE and serve plug-ins\n"
         "                     of other processes until STOP_FILE appears\n"
         "  --help             this text, and nothing else\n"
         "\n"
         "Ctrl+C stops refhost and names the plug-in that is still running.\n"
         "On a console refhost writes in the console's own characters; redirected to a file or a\n"
         "pipe, it writes in the ANSI code page, as plug-ins do.\n"
         "\n"
         "Exit code: 0 every plug-in returned 0; 1 a plug-in could not be loaded or did not return 0,\n"
         "or the host could not start; 2 a usage error; 3 a plug-in faulted; 4 stopped while a\n"
         "plug-in was running.\n";
}

}  // namespace refhost
