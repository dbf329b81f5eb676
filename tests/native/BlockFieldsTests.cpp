// Field accessors on arbitrary block images: nothing is read or written
// outside its field, whatever the image holds.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "PluginsSharedMem/BlockFields.h"

namespace karvo {
namespace {

TEST(BlockFields, GarbageImageReadsStayInsideTheirFields) {
  std::mt19937 gen(7);
  for (int round = 0; round < 50; ++round) {
    auto block = std::make_unique<TPluginsSharedMemData>();
    auto bytes = reinterpret_cast<unsigned char*>(block.get());
    for (std::size_t i = 0; i < sizeof(TPluginsSharedMemData); ++i) bytes[i] = static_cast<unsigned char>(gen());
    // No NUL anywhere in the text fields: reads stop at the field's end.
    for (auto& u : block->SQL) u |= 1;
    for (auto& u : block->Data) u |= 1;
    EXPECT_LE(ReadCommandBytes(*block).size(), 64u);
    EXPECT_EQ(ReadTextField(*block, TextField::SQL).size(), static_cast<std::size_t>(KARVO_TEXT_UNITS));
    EXPECT_EQ(ReadTextField(*block, TextField::Data).size(), static_cast<std::size_t>(KARVO_TEXT_UNITS));
  }
}

TEST(BlockFields, WritesTouchOnlyTheirField) {
  auto block = std::make_unique<TPluginsSharedMemData>();
  std::memset(block.get(), 0xAB, sizeof(TPluginsSharedMemData));
  auto before = std::make_unique<TPluginsSharedMemData>(*block);
  EXPECT_TRUE(WriteTextField(*block, TextField::SQL, std::u16string(KARVO_TEXT_UNITS, u'q')));
  EXPECT_EQ(std::memcmp(block->Data, before->Data, sizeof block->Data), 0);
  EXPECT_EQ(block->CommandLength, before->CommandLength);
  EXPECT_EQ(std::memcmp(&block->Reserved, &before->Reserved, 6), 0);
  EXPECT_FALSE(WriteTextField(*block, TextField::Data, std::u16string(KARVO_TEXT_UNITS + 1, u'q')));
  EXPECT_EQ(ReadTextField(*block, TextField::Data), u"");
  EXPECT_EQ(std::memcmp(&block->Reserved, &before->Reserved, 6), 0);
  WriteCommandBytes(*block, std::string(100, 'c'));
  EXPECT_EQ(block->CommandLength, 64);
  EXPECT_EQ(reinterpret_cast<unsigned char*>(block->SQL)[0], 'q');
}

}  // namespace
}  // namespace karvo
