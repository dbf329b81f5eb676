// An object model of data sources and data sets held in memory, for the
// tests, the fuzz target and the bench. It behaves like a host's data set:
// 1-based record numbers, Next on the last record sets the end flag and
// stays there, a forward-only data set refuses Last, Prior and moving back,
// a closed data set refuses everything. Portable: no Windows headers.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "karvo_host.h"

namespace karvo::test {

struct FakeDataSet {
  std::vector<std::u16string> Fields;
  std::vector<std::vector<std::u16string>> Rows;
  bool Active = true;
  bool ForwardOnly = false;
  // What RecNo reads on an empty data set (hosts differ: 0 or -1).
  int EmptyRecNo = 0;
  // Makes the operation of that name fail once it has run this many times
  // (-1: never), so a test can close the data set under a walk.
  std::map<std::string, int> FailAfter;

  int Cur = 0;  // 0-based
  bool AtEof = false;
  int DisableDepth = 0;
  int ChangedNotices = 0;  // sent when controls come back on
  int MaxDisableDepth = 0;
  std::map<std::string, int> Calls;
};

class FakeDataModel {
 public:
  FakeDataModel() {
    table_.Size = sizeof(KarvoObjectModel);
    table_.Version = KARVO_OBJECT_MODEL_VERSION;
    table_.Context = this;
    table_.ClassName = &ClassNameOp;
    table_.DataSourceDataSet = &DataSourceDataSetOp;
    table_.DataSetFirst = &FirstOp;
    table_.DataSetLast = &LastOp;
    table_.DataSetNext = &NextOp;
    table_.DataSetPrior = &PriorOp;
    table_.DataSetRecordCount = &RecordCountOp;
    table_.DataSetGetRecNo = &GetRecNoOp;
    table_.DataSetSetRecNo = &SetRecNoOp;
    table_.DataSetEof = &EofOp;
    table_.DataSetDisableControls = &DisableOp;
    table_.DataSetEnableControls = &EnableOp;
    table_.DataSetFieldCount = &FieldCountOp;
    table_.DataSetFieldName = &FieldNameOp;
    table_.DataSetFieldText = &FieldTextOp;
    table_.DataSetFieldByName = &FieldByNameOp;
  }
  FakeDataModel(const FakeDataModel&) = delete;
  FakeDataModel& operator=(const FakeDataModel&) = delete;

  const KarvoObjectModel* Table() const { return &table_; }
  KarvoObjectModel* MutableTable() { return &table_; }

  // A data set and a "TDataSource" over it; returns the data source.
  KarvoHandle AddQuery(FakeDataSet ds, std::u16string className = u"TDataSource") {
    KarvoHandle set = NewHandle();
    sets_[set] = std::make_unique<FakeDataSet>(std::move(ds));
    KarvoHandle src = NewHandle();
    sources_[src] = Source{std::move(className), set};
    return src;
  }
  // A data source with no data set.
  KarvoHandle AddEmptySource() {
    KarvoHandle src = NewHandle();
    sources_[src] = Source{u"TDataSource", 0};
    return src;
  }
  // An object that is no data source.
  KarvoHandle AddOther(std::u16string className) {
    KarvoHandle h = NewHandle();
    others_[h] = std::move(className);
    return h;
  }
  FakeDataSet& SetOf(KarvoHandle source) { return *sets_.at(sources_.at(source).set); }
  void Forget(KarvoHandle source) {
    sets_.erase(sources_.at(source).set);
    sources_.erase(source);
  }

  // Rows of `cols` fields with Polish text, quotes and separators mixed in.
  static FakeDataSet Generated(int rows, int cols) {
    FakeDataSet ds;
    static const char16_t* kNames[] = {u"ID", u"NAZWA", u"MIASTO", u"CENA", u"UWAGI"};
    for (int c = 0; c < cols; ++c) ds.Fields.push_back(c < 5 ? kNames[c] : u"POLE" + Num(c));
    for (int r = 1; r <= rows; ++r) {
      std::vector<std::u16string> row;
      for (int c = 0; c < cols; ++c) {
        switch (c % 5) {
          case 0: row.push_back(Num(r)); break;
          case 1: row.push_back(u"Kontrahent \u0141\u00f3d\u017a " + Num(r)); break;
          case 2: row.push_back(r % 2 ? u"Gda\u0144sk" : u"Krak\u00f3w"); break;
          case 3: row.push_back(Num(r * 7 % 1000) + u",50"); break;
          default: row.push_back(r % 3 ? u"" : u"z \"cudzys\u0142owem\"; i \u015brednikiem"); break;
        }
      }
      ds.Rows.push_back(std::move(row));
    }
    return ds;
  }
  static std::u16string Num(long long v) {
    std::string s = std::to_string(v);
    return std::u16string(s.begin(), s.end());
  }

 private:
  struct Source {
    std::u16string className;
    KarvoHandle set;
  };

  KarvoHandle NewHandle() { return next_ += 0x10; }

  static FakeDataModel& Self(void* c) { return *static_cast<FakeDataModel*>(c); }
  static void Put(KarvoTextOut* out, const std::u16string& s) {
    out->Put(out, reinterpret_cast<const unsigned short*>(s.data()), static_cast<unsigned int>(s.size()));
  }
  // The live, active data set behind a handle, counting the call; null
  // when the operation must fail.
  static FakeDataSet* Live(void* c, KarvoHandle h, const char* op) {
    auto& m = Self(c);
    auto it = m.sets_.find(h);
    if (it == m.sets_.end()) return nullptr;
    FakeDataSet& ds = *it->second;
    int n = ++ds.Calls[op];
    auto f = ds.FailAfter.find(op);
    if (f != ds.FailAfter.end() && f->second >= 0 && n > f->second) return nullptr;
    return ds.Active ? &ds : nullptr;
  }
  static int Count(const FakeDataSet& ds) { return static_cast<int>(ds.Rows.size()); }

  static int KARVO_HOST_CALL ClassNameOp(void* c, KarvoHandle h, KarvoTextOut* out) {
    auto& m = Self(c);
    if (auto s = m.sources_.find(h); s != m.sources_.end()) return Put(out, s->second.className), KARVO_OM_DONE;
    if (m.sets_.count(h)) return Put(out, u"TQuery"), KARVO_OM_DONE;
    if (auto o = m.others_.find(h); o != m.others_.end()) return Put(out, o->second), KARVO_OM_DONE;
    return KARVO_OM_FAILED;
  }
  static int KARVO_HOST_CALL DataSourceDataSetOp(void* c, KarvoHandle h, KarvoHandle* set) {
    auto& m = Self(c);
    auto s = m.sources_.find(h);
    if (s == m.sources_.end()) return KARVO_OM_FAILED;
    *set = s->second.set;
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL FirstOp(void* c, KarvoHandle h) {
    FakeDataSet* ds = Live(c, h, "First");
    if (!ds) return KARVO_OM_FAILED;
    ds->Cur = 0;
    ds->AtEof = ds->Rows.empty();
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL LastOp(void* c, KarvoHandle h) {
    FakeDataSet* ds = Live(c, h, "Last");
    if (!ds || ds->ForwardOnly) return KARVO_OM_FAILED;
    ds->Cur = ds->Rows.empty() ? 0 : Count(*ds) - 1;
    ds->AtEof = true;
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL NextOp(void* c, KarvoHandle h) {
    FakeDataSet* ds = Live(c, h, "Next");
    if (!ds) return KARVO_OM_FAILED;
    if (ds->Cur + 1 < Count(*ds))
      ++ds->Cur;
    else
      ds->AtEof = true;
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL PriorOp(void* c, KarvoHandle h) {
    FakeDataSet* ds = Live(c, h, "Prior");
    if (!ds || ds->ForwardOnly) return KARVO_OM_FAILED;
    if (ds->Cur > 0) --ds->Cur;
    ds->AtEof = false;
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL RecordCountOp(void* c, KarvoHandle h, int* n) {
    FakeDataSet* ds = Live(c, h, "RecordCount");
    if (!ds) return KARVO_OM_FAILED;
    *n = Count(*ds);
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL GetRecNoOp(void* c, KarvoHandle h, int* n) {
    FakeDataSet* ds = Live(c, h, "GetRecNo");
    if (!ds) return KARVO_OM_FAILED;
    *n = ds->Rows.empty() ? ds->EmptyRecNo : ds->Cur + 1;
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL SetRecNoOp(void* c, KarvoHandle h, int n) {
    FakeDataSet* ds = Live(c, h, "SetRecNo");
    if (!ds || n < 1 || n > Count(*ds) || (ds->ForwardOnly && n - 1 < ds->Cur)) return KARVO_OM_FAILED;
    ds->Cur = n - 1;
    ds->AtEof = false;
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL EofOp(void* c, KarvoHandle h, unsigned char* eof) {
    FakeDataSet* ds = Live(c, h, "Eof");
    if (!ds) return KARVO_OM_FAILED;
    *eof = ds->AtEof ? 1 : 0;
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL DisableOp(void* c, KarvoHandle h) {
    FakeDataSet* ds = Live(c, h, "DisableControls");
    if (!ds) return KARVO_OM_FAILED;
    if (++ds->DisableDepth > ds->MaxDisableDepth) ds->MaxDisableDepth = ds->DisableDepth;
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL EnableOp(void* c, KarvoHandle h) {
    // Switching back on works on a data set closed meanwhile, as it must
    // for a guard that restores the controls however the walk ended.
    auto& m = Self(c);
    auto it = m.sets_.find(h);
    if (it == m.sets_.end() || it->second->DisableDepth == 0) return KARVO_OM_FAILED;
    FakeDataSet& ds = *it->second;
    int n = ++ds.Calls["EnableControls"];
    auto f = ds.FailAfter.find("EnableControls");
    if (f != ds.FailAfter.end() && f->second >= 0 && n > f->second) return KARVO_OM_FAILED;
    if (--ds.DisableDepth == 0) ++ds.ChangedNotices;
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL FieldCountOp(void* c, KarvoHandle h, int* n) {
    FakeDataSet* ds = Live(c, h, "FieldCount");
    if (!ds) return KARVO_OM_FAILED;
    *n = static_cast<int>(ds->Fields.size());
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL FieldNameOp(void* c, KarvoHandle h, int f, KarvoTextOut* out) {
    FakeDataSet* ds = Live(c, h, "FieldName");
    if (!ds || f < 0 || f >= static_cast<int>(ds->Fields.size())) return KARVO_OM_FAILED;
    Put(out, ds->Fields[f]);
    return KARVO_OM_DONE;
  }
  static int KARVO_HOST_CALL FieldTextOp(void* c, KarvoHandle h, int f, KarvoTextOut* out) {
    FakeDataSet* ds = Live(c, h, "FieldText");
    if (!ds || f < 0 || f >= static_cast<int>(ds->Fields.size())) return KARVO_OM_FAILED;
    if (ds->Rows.empty()) return KARVO_OM_DONE;  // no record: every field is empty
    const auto& row = ds->Rows[ds->Cur];
    if (f < static_cast<int>(row.size())) Put(out, row[f]);
    return KARVO_OM_DONE;
  }
  static char16_t Fold(char16_t ch) { return ch >= u'a' && ch <= u'z' ? ch - 32 : ch; }
  static int KARVO_HOST_CALL FieldByNameOp(void* c, KarvoHandle h, const unsigned short* name, unsigned int n,
                                           int* field) {
    FakeDataSet* ds = Live(c, h, "FieldByName");
    if (!ds) return KARVO_OM_FAILED;
    for (std::size_t i = 0; i < ds->Fields.size(); ++i) {
      const std::u16string& f = ds->Fields[i];
      if (f.size() != n) continue;
      std::size_t k = 0;
      while (k < n && Fold(f[k]) == Fold(static_cast<char16_t>(name[k]))) ++k;
      if (k == n) {
        *field = static_cast<int>(i);
        return KARVO_OM_DONE;
      }
    }
    return KARVO_OM_FAILED;
  }

  KarvoObjectModel table_{};
  KarvoHandle next_ = 0x4000;
  std::map<KarvoHandle, Source> sources_;
  std::map<KarvoHandle, std::unique_ptr<FakeDataSet>> sets_;
  std::map<KarvoHandle, std::u16string> others_;
};

}  // namespace karvo::test
