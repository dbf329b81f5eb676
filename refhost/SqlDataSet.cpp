#include "SqlDataSet.h"

#include <stdexcept>

#include "sqlite3.h"

namespace refhost {

namespace {

std::u16string Text16(const void* p) { return p ? std::u16string(static_cast<const char16_t*>(p)) : u""; }

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

}  // namespace

Database::Database(const std::u16string& path, const char* schemaSql) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open16(path.c_str(), &db);
  db_ = db;
  if (rc != SQLITE_OK) throw std::runtime_error(db ? sqlite3_errmsg(db) : "sqlite3_open16");
  sqlite3_busy_timeout(db_, 2000);
  // A database with no tables yet is a new one: give it the sample.
  sqlite3_stmt* st = nullptr;
  bool empty = true;
  if (sqlite3_prepare_v2(db_, "SELECT 1 FROM sqlite_master LIMIT 1", -1, &st, nullptr) == SQLITE_OK)
    empty = sqlite3_step(st) != SQLITE_ROW;
  sqlite3_finalize(st);
  char* err = nullptr;
  if (empty && sqlite3_exec(db_, schemaSql, nullptr, nullptr, &err) != SQLITE_OK) {
    std::string m = err ? err : "schema";
    sqlite3_free(err);
    throw std::runtime_error(m);
  }
}

Database::~Database() { sqlite3_close_v2(db_); }

std::u16string Database::LastMessage() const { return Text16(sqlite3_errmsg16(db_)); }

bool Database::Execute(const std::u16string& sql, std::u16string& message) {
  // Every statement of the text in turn, rows (if any) stepped over.
  const void* tail = sql.c_str();
  for (;;) {
    sqlite3_stmt* st = nullptr;
    const void* next = nullptr;
    if (sqlite3_prepare16_v2(db_, tail, -1, &st, &next) != SQLITE_OK) {
      message = LastMessage();
      return false;
    }
    if (st == nullptr) return true;  // only blanks or comments left
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) {
      message = LastMessage();
      return false;
    }
    tail = next;
  }
}

SqlDataSet::SqlDataSet(Database& db, const std::u16string& sql, bool forwardOnly) : forwardOnly_(forwardOnly) {
  const void* tail = nullptr;
  if (sqlite3_prepare16_v2(db.Handle(), sql.c_str(), -1, &stmt_, &tail) != SQLITE_OK || stmt_ == nullptr) {
    std::u16string m =
        stmt_ == nullptr && sqlite3_errcode(db.Handle()) == SQLITE_OK ? u"Puste zapytanie" : db.LastMessage();
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    throw SqlError{m};
  }
  for (int i = 0, n = sqlite3_column_count(stmt_); i < n; ++i)
    fields_.push_back(Text16(sqlite3_column_name16(stmt_, i)));
  if (forwardOnly_) {
    First();
    if (!active_) throw SqlError{db.LastMessage()};
    return;
  }
  int rc;
  while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) rows_.push_back(ReadRow());
  if (rc != SQLITE_DONE) {
    std::u16string m = db.LastMessage();
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    throw SqlError{m};
  }
  sqlite3_finalize(stmt_);
  stmt_ = nullptr;
  eof_ = rows_.empty();
}

SqlDataSet::~SqlDataSet() { sqlite3_finalize(stmt_); }

void SqlDataSet::Close() {
  active_ = false;
  sqlite3_finalize(stmt_);
  stmt_ = nullptr;
  rows_.clear();
  hasCurrent_ = false;
}

std::vector<std::u16string> SqlDataSet::ReadRow() const {
  std::vector<std::u16string> row;
  for (std::size_t i = 0; i < fields_.size(); ++i)
    row.push_back(Text16(sqlite3_column_text16(stmt_, static_cast<int>(i))));
  return row;
}

bool SqlDataSet::StepForward() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) {
    current_ = ReadRow();
    hasCurrent_ = true;
    ++cur_;
    return true;
  }
  if (rc != SQLITE_DONE) active_ = false;
  return false;
}

bool SqlDataSet::First() {
  if (!active_) return false;
  if (forwardOnly_) {
    // Forward only, but it may start over: the statement runs again.
    sqlite3_reset(stmt_);
    hasCurrent_ = false;
    cur_ = -1;
    eof_ = !StepForward();
    if (eof_) cur_ = 0;
    return active_;
  }
  cur_ = 0;
  eof_ = rows_.empty();
  return true;
}

bool SqlDataSet::Last() {
  if (!active_ || forwardOnly_) return false;
  cur_ = rows_.empty() ? 0 : static_cast<int>(rows_.size()) - 1;
  eof_ = true;
  return true;
}

bool SqlDataSet::Next() {
  if (!active_) return false;
  if (forwardOnly_) {
    if (!eof_ && !StepForward()) eof_ = true;
    return active_;
  }
  if (cur_ + 1 < static_cast<int>(rows_.size()))
    ++cur_;
  else
    eof_ = true;
  return true;
}

bool SqlDataSet::Prior() {
  if (!active_ || forwardOnly_) return false;
  if (cur_ > 0) --cur_;
  eof_ = false;
  return true;
}

bool SqlDataSet::RecordCount(int& n) const {
  if (!active_ || forwardOnly_) return false;
  n = static_cast<int>(rows_.size());
  return true;
}

int SqlDataSet::RecNo() const {
  if (forwardOnly_) return hasCurrent_ ? cur_ + 1 : 0;
  return rows_.empty() ? 0 : cur_ + 1;
}

bool SqlDataSet::SetRecNo(int recNo) {
  if (!active_) return false;
  if (forwardOnly_) {
    if (!hasCurrent_ || recNo < cur_ + 1) return false;
    while (cur_ + 1 < recNo)
      if (!StepForward()) return false;
    eof_ = false;
    return true;
  }
  if (recNo < 1 || recNo > static_cast<int>(rows_.size())) return false;
  cur_ = recNo - 1;
  eof_ = false;
  return true;
}

bool SqlDataSet::EnableControls() {
  if (disabled_ == 0) return false;
  if (--disabled_ == 0) ++notices_;  // attached controls hear once that the data changed
  return true;
}

std::u16string SqlDataSet::Value(int field) const {
  if (forwardOnly_) return hasCurrent_ ? current_[field] : u"";
  return rows_.empty() ? u"" : rows_[cur_][field];
}

int SqlDataSet::FieldByName(const std::u16string& name) const {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const std::u16string& f = fields_[i];
    if (f.size() != name.size()) continue;
    std::size_t k = 0;
    while (k < f.size() && Upper(f[k]) == Upper(name[k])) ++k;
    if (k == f.size()) return static_cast<int>(i);
  }
  return -1;
}

// ---- The data-set operations of the object model ----

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

SqlDataSet* Open(KarvoHandle h) {
  SqlDataSet* ds = Find<SqlDataSet>(h);
  return ds != nullptr && ds->Active() ? ds : nullptr;
}

bool FieldOk(const SqlDataSet& ds, int f) { return f >= 0 && f < static_cast<int>(ds.Fields().size()); }

int R(bool ok) { return ok ? KARVO_OM_DONE : KARVO_OM_FAILED; }

int KARVO_HOST_CALL DataSourceDataSetOp(void*, KarvoHandle h, KarvoHandle* out) {
  Lock l(ObjectsLock());
  DataSource* src = Find<DataSource>(h);
  if (src == nullptr) return KARVO_OM_FAILED;
  *out = src->DataSet() ? src->DataSet()->Handle() : 0;
  return KARVO_OM_DONE;
}

template <bool (SqlDataSet::*Move)()>
int KARVO_HOST_CALL MoveOp(void*, KarvoHandle h) {
  Lock l(ObjectsLock());
  SqlDataSet* ds = Open(h);
  return R(ds != nullptr && (ds->*Move)());
}

int KARVO_HOST_CALL RecordCountOp(void*, KarvoHandle h, int* n) {
  Lock l(ObjectsLock());
  SqlDataSet* ds = Open(h);
  return R(ds != nullptr && ds->RecordCount(*n));
}

int KARVO_HOST_CALL GetRecNoOp(void*, KarvoHandle h, int* n) {
  Lock l(ObjectsLock());
  SqlDataSet* ds = Open(h);
  if (ds == nullptr) return KARVO_OM_FAILED;
  *n = ds->RecNo();
  return KARVO_OM_DONE;
}

int KARVO_HOST_CALL SetRecNoOp(void*, KarvoHandle h, int n) {
  Lock l(ObjectsLock());
  SqlDataSet* ds = Open(h);
  return R(ds != nullptr && ds->SetRecNo(n));
}

int KARVO_HOST_CALL EofOp(void*, KarvoHandle h, unsigned char* eof) {
  Lock l(ObjectsLock());
  SqlDataSet* ds = Open(h);
  if (ds == nullptr) return KARVO_OM_FAILED;
  *eof = ds->Eof() ? 1 : 0;
  return KARVO_OM_DONE;
}

int KARVO_HOST_CALL DisableOp(void*, KarvoHandle h) {
  Lock l(ObjectsLock());
  SqlDataSet* ds = Open(h);
  if (ds == nullptr) return KARVO_OM_FAILED;
  ds->DisableControls();
  return KARVO_OM_DONE;
}

int KARVO_HOST_CALL EnableOp(void*, KarvoHandle h) {
  // Also on a data set closed meanwhile: controls must come back on.
  Lock l(ObjectsLock());
  SqlDataSet* ds = Find<SqlDataSet>(h);
  return R(ds != nullptr && ds->EnableControls());
}

int KARVO_HOST_CALL FieldCountOp(void*, KarvoHandle h, int* n) {
  Lock l(ObjectsLock());
  SqlDataSet* ds = Open(h);
  if (ds == nullptr) return KARVO_OM_FAILED;
  *n = static_cast<int>(ds->Fields().size());
  return KARVO_OM_DONE;
}

int KARVO_HOST_CALL FieldNameOp(void*, KarvoHandle h, int f, KarvoTextOut* out) {
  Lock l(ObjectsLock());
  SqlDataSet* ds = Open(h);
  if (ds == nullptr || !FieldOk(*ds, f)) return KARVO_OM_FAILED;
  PutText(out, ds->Fields()[f]);
  return KARVO_OM_DONE;
}

int KARVO_HOST_CALL FieldTextOp(void*, KarvoHandle h, int f, KarvoTextOut* out) {
  Lock l(ObjectsLock());
  SqlDataSet* ds = Open(h);
  if (ds == nullptr || !FieldOk(*ds, f)) return KARVO_OM_FAILED;
  PutText(out, ds->Value(f));
  return KARVO_OM_DONE;
}

int KARVO_HOST_CALL FieldByNameOp(void*, KarvoHandle h, const unsigned short* name, unsigned int n, int* f) {
  Lock l(ObjectsLock());
  SqlDataSet* ds = Open(h);
  if (ds == nullptr) return KARVO_OM_FAILED;
  *f = ds->FieldByName(InText(name, n));
  return R(*f >= 0);
}

ModelEntries dataSetEntries([](KarvoObjectModel& t) {
  t.DataSourceDataSet = &DataSourceDataSetOp;
  t.DataSetFirst = &MoveOp<&SqlDataSet::First>;
  t.DataSetLast = &MoveOp<&SqlDataSet::Last>;
  t.DataSetNext = &MoveOp<&SqlDataSet::Next>;
  t.DataSetPrior = &MoveOp<&SqlDataSet::Prior>;
  t.DataSetRecordCount = &RecordCountOp;
  t.DataSetGetRecNo = &GetRecNoOp;
  t.DataSetSetRecNo = &SetRecNoOp;
  t.DataSetEof = &EofOp;
  t.DataSetDisableControls = &DisableOp;
  t.DataSetEnableControls = &EnableOp;
  t.DataSetFieldCount = &FieldCountOp;
  t.DataSetFieldName = &FieldNameOp;
  t.DataSetFieldText = &FieldTextOp;
  t.DataSetFieldByName = &FieldByNameOp;
});

}  // namespace

}  // namespace refhost
