// refhost's databases and the data sets of the queries it opens, on SQLite.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "HostObjects.h"

struct sqlite3;
struct sqlite3_stmt;

namespace refhost {

// What SQLite said when a statement or query failed.
struct SqlError {
  std::u16string Message;
};

// One SQLite database, created from its sample schema on first use.
class Database {
 public:
  // Opens (or creates and fills) the file; throws with SQLite's message.
  Database(const std::u16string& path, const char* schemaSql);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;
  sqlite3* Handle() const { return db_; }
  // Runs statements that return no rows; false with the message on failure.
  bool Execute(const std::u16string& sql, std::u16string& message);
  std::u16string LastMessage() const;

 private:
  sqlite3* db_ = nullptr;
};

// The rows of one query. A bidirectional data set reads every row when it
// opens; a forward-only one steps the statement and keeps the current row
// only, so it refuses Last, Prior, counting and moving back.
class SqlDataSet : public HostObject {
 public:
  // Throws SqlError when the query fails.
  SqlDataSet(Database& db, const std::u16string& sql, bool forwardOnly);
  ~SqlDataSet() override;
  std::u16string ClassName() const override { return u"TQuery"; }

  bool Active() const { return active_; }
  void Close();
  bool ForwardOnly() const { return forwardOnly_; }

  bool First();
  bool Last();
  bool Next();
  bool Prior();
  bool RecordCount(int& n) const;
  int RecNo() const;  // 1-based; 0 when empty
  bool SetRecNo(int recNo);
  bool Eof() const { return eof_; }
  void DisableControls() { ++disabled_; }
  bool EnableControls();
  int ChangedNotices() const { return notices_; }

  const std::vector<std::u16string>& Fields() const { return fields_; }
  // The value of a field in the current record; empty with no record.
  std::u16string Value(int field) const;
  int FieldByName(const std::u16string& name) const;  // -1 when none

 private:
  bool StepForward();  // forward-only: reads the next row into current_
  std::vector<std::u16string> ReadRow() const;

  sqlite3_stmt* stmt_ = nullptr;
  bool forwardOnly_;
  bool active_ = true;
  std::vector<std::u16string> fields_;
  std::vector<std::vector<std::u16string>> rows_;  // bidirectional
  std::vector<std::u16string> current_;            // forward-only
  bool hasCurrent_ = false;
  int cur_ = 0;  // 0-based record index
  bool eof_ = false;
  int disabled_ = 0;
  int notices_ = 0;
};

// The TDataSource a plug-in gets for an opened query; it owns the data set.
class DataSource : public HostObject {
 public:
  explicit DataSource(std::unique_ptr<SqlDataSet> ds) : dataSet_(std::move(ds)) {}
  std::u16string ClassName() const override { return u"TDataSource"; }
  SqlDataSet* DataSet() const { return dataSet_.get(); }

 private:
  std::unique_ptr<SqlDataSet> dataSet_;
};

// A query opened forward-only starts with this comment.
inline constexpr char16_t kForwardOnlyMark[] = u"/*FORWARD_ONLY*/";

// The ordinary and the system database, in dir (created on first run from
// the sample schemas). Throws std::runtime_error when one cannot be opened.
void OpenDatabases(const std::u16string& dir);
Database& OrdinaryDatabase();
Database& SystemDatabase();
// The sample schemas with their data, shipped as SQL text (sample/*.sql).
extern const char kSampleSchemaSql[];
extern const char kSampleSystemSchemaSql[];

}  // namespace refhost
