// The wrapper over the host's table: installing it, what an empty or
// unknown handle gives, and the width and precision rules the library
// applies on the host's behalf.
#include <gtest/gtest.h>

#include <cstddef>

#include "FakeDataModel.h"
#include "host/ObjectModel.h"

namespace karvo::test {
namespace {

TEST(ObjectModel, InstallKeepsACopyAndRefusesTablesItCannotRead) {
  auto model = std::make_unique<FakeDataModel>();
  KarvoHandle src = model->AddQuery(FakeDataModel::Generated(3, 2));
  KarvoObjectModel table = *model->Table();
  ASSERT_TRUE(host::InstallObjectModel(&table));
  table.ClassName = nullptr;  // the host's struct may change or go
  EXPECT_EQ(host::Object(src).ClassName(), u"TDataSource");

  KarvoObjectModel bad = *model->Table();
  bad.Version = 2;
  EXPECT_FALSE(host::InstallObjectModel(&bad));
  EXPECT_EQ(host::InstalledModel(), nullptr) << "a refused table leaves no model";
  EXPECT_FALSE(host::Object(src).ClassName());

  // An older host's shorter table: the entries past its end read as null.
  KarvoObjectModel shorter = *model->Table();
  shorter.Size = offsetof(KarvoObjectModel, DataSetFirst);
  ASSERT_TRUE(host::InstallObjectModel(&shorter));
  EXPECT_TRUE(host::DataSource(src).DataSet());
  EXPECT_FALSE(host::DataSource(src).DataSet()->First());
  shorter.Size = offsetof(KarvoObjectModel, ClassName) - 1;
  EXPECT_FALSE(host::InstallObjectModel(&shorter));
  EXPECT_TRUE(host::InstallObjectModel(nullptr));
}

TEST(ObjectModel, EmptyUnknownAndUnofferedAllFailCleanly) {
  FakeDataModel model;
  KarvoHandle src = model.AddQuery(FakeDataModel::Generated(1, 1));
  host::Object none;
  EXPECT_TRUE(none.empty());
  EXPECT_FALSE(none.ClassName());
  EXPECT_FALSE(none.IsClass(u""));
  EXPECT_FALSE(host::Object(model.Table(), 0).ClassName()) << "handle 0 never reaches the host";
  EXPECT_FALSE(host::Object(model.Table(), 0x7777).ClassName());
  host::Object obj(model.Table(), src);
  EXPECT_TRUE(obj.IsClass(u"TDataSource"));
  EXPECT_FALSE(obj.IsClass(u"TDataSourceX"));
  EXPECT_FALSE(obj.IsClass(u"tdatasource"));
  // Operations the fake does not offer are null entries.
  EXPECT_FALSE(obj.Name());
  EXPECT_FALSE(obj.PropertyCount());
  EXPECT_FALSE(obj.ChildCount());
  EXPECT_FALSE(obj.MenuRootItem());
  EXPECT_FALSE(obj.ExecuteAction());
  EXPECT_FALSE(obj.FindMethod("Click"));
  EXPECT_FALSE(host::CallMethod(KarvoMethod{1, 2}, model.Table()));
  EXPECT_FALSE(obj.LoadBitmapResource(0x400000, std::nullopt, 1));
}

TEST(ObjectModel, DataSetOperations) {
  FakeDataModel model;
  KarvoHandle src = model.AddQuery(FakeDataModel::Generated(4, 3));
  std::optional<host::DataSet> ds = host::DataSource(model.Table(), src).DataSet();
  ASSERT_TRUE(ds && !ds->empty());
  EXPECT_EQ(ds->RecordCount(), 4);
  EXPECT_TRUE(ds->Last());
  EXPECT_EQ(ds->RecNo(), 4);
  EXPECT_TRUE(ds->Next());
  EXPECT_EQ(ds->Eof(), 1);
  EXPECT_EQ(ds->FieldByName(u"miasto"), 2);
  EXPECT_FALSE(ds->FieldByName(u"MIASTA"));
  EXPECT_EQ(ds->FieldText(0), u"4");
  EXPECT_FALSE(ds->FieldText(3));
  KarvoHandle none = model.AddEmptySource();
  std::optional<host::DataSet> empty = host::DataSource(model.Table(), none).DataSet();
  ASSERT_TRUE(empty) << "the operation worked";
  EXPECT_TRUE(empty->empty()) << "and found no data set";
}

TEST(ObjectModel, OrdinalsWidenByWidthAndSignedness) {
  EXPECT_EQ(host::WidenOrdinal(0xFF, KARVO_otSByte), -1);
  EXPECT_EQ(host::WidenOrdinal(0xFF, KARVO_otUByte), 255);
  EXPECT_EQ(host::WidenOrdinal(0x12380, KARVO_otSWord), 0x2380);
  EXPECT_EQ(host::WidenOrdinal(0x8000, KARVO_otSWord), -32768);
  EXPECT_EQ(host::WidenOrdinal(0x8000, KARVO_otUWord), 32768);
  EXPECT_EQ(host::WidenOrdinal(0xFFFFFFFFu, KARVO_otULong), -1) << "shown negative from 2147483648 up";
  EXPECT_EQ(host::NarrowOrdinal(-1, KARVO_otUByte), 0xFFu);
  EXPECT_EQ(host::NarrowOrdinal(-2, KARVO_otSWord), 0xFFFEu);
  EXPECT_EQ(host::NarrowOrdinal(-2, KARVO_otSLong), 0xFFFFFFFEu);
}

TEST(ObjectModel, FloatsAreRoundedAsTheirPrecisionStoresThem) {
  EXPECT_EQ(host::RoundForFloatType(2.5, KARVO_ftComp), 2.0) << "halves to even";
  EXPECT_EQ(host::RoundForFloatType(3.5, KARVO_ftComp), 4.0);
  EXPECT_EQ(host::RoundForFloatType(-2.5, KARVO_ftComp), -2.0);
  EXPECT_DOUBLE_EQ(host::RoundForFloatType(1.23456, KARVO_ftCurr), 1.2346);
  EXPECT_EQ(host::RoundForFloatType(1.23456, KARVO_ftDouble), 1.23456);
}

}  // namespace
}  // namespace karvo::test
