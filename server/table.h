// TzelTable: the dataset the application places on its forms. It adds to the
// in-memory TzelDataset where the records come from; LoadMode picks one of
// four sources:
//
//   lmClear   no records, only the field definitions (FieldDefs)
//   lmFile    a data file (FileName)
//   lmClone   the records of another open dataset (CloneDS), shared, not copied
//   lmServer  the database server, queried with SQL through the session zelDB
//
// Whatever the source, the records arrive as a data buffer that the dataset
// loads; a clone shares its source's record store instead.
//
// LoadMode changes only through SetLoadMode (directly or through SetSQL,
// SetFileName, SetCloneDS, LoadFromFile, LoadFromCursor), and every change
// closes an open table: assigning a non-empty SQL text leaves the table
// closed in lmServer, and the next Open queries the server.
//
// SQL parameters: ":name" markers of SQL become '?' in PreparedSQL and one
// parameter each in Params (a name used twice gives two parameters). Their
// values are written into the request as literals of the session's dialect
// (server/query_request.h).
//
// Errors surface from Open as EDatabaseError naming the table: _Z_OPENEMPTY,
// _Z_OPENFILE, _Z_ERRCLONE, _Z_NOSESSION (or the session's own Connect
// error), _Z_NOREPLY, and the load errors of the data buffer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/dataset.h"
#include "platform/db/params.h"
#include "platform/rtl/string_list.h"

namespace morvane {

enum TzelLoadMode : uint8_t { lmClear, lmFile, lmClone, lmServer };

class TzelTable : public TzelDataset {
 public:
  explicit TzelTable(TComponent* owner = nullptr);
  ~TzelTable() override;

  TzelLoadMode LoadMode() const { return loadMode_; }
  // Nothing when unchanged; otherwise closes an open table, then stores it.
  void SetLoadMode(TzelLoadMode mode);

  const std::string& FileName() const { return fileName_; }
  // lmFile with a name, lmClear without one.
  void SetFileName(const std::string& fileName);

  TzelDataset* CloneDS() const { return cloneDS_; }
  // lmClone with a dataset, lmClear without one. A table showing another
  // source is closed first.
  void SetCloneDS(TzelDataset* dataSet);

  // The query text; assigning it runs QueryChanged.
  const TStringList& SQL() const { return sql_; }
  void SetSQL(const TStringList& sql);
  void SetSQLText(std::string_view text);
  // SQL with every parameter marker replaced by '?'.
  const std::string& PreparedSQL() const { return preparedSQL_; }

  TParams& Params() { return params_; }
  const TParams& Params() const { return params_; }
  int GetParamsCount() const { return params_.Count(); }
  // "Parameter '%s' not found" naming the table when there is none.
  TParam* ParamByName(std::string_view name) const { return params_.ParamByName(name); }
  // Takes the values of the parameters of the same names; none is added or
  // removed.
  void SetParamsList(const TParams& params) { params_.AssignValues(params); }

  // Whether the field definitions belong with the table's stored settings.
  bool StoreDefs() const { return storeDefs_; }
  void SetStoreDefs(bool value) { storeDefs_ = value; }
  bool FieldDefsStored() const { return storeDefs_ && FieldDefs().Count() > 0; }

  // Closes, shares the dataset's records (lmClone), opens.
  void LoadFromCursor(TzelDataset* dataSet);
  // Closes, reads the data file (lmFile), opens.
  void LoadFromFile(const std::string& fileName);

  // The layout text of a data buffer for the definitions, fields named after
  // Origin (server/layout_string.h).
  std::string PrepareLayoutStr(const TFieldDefs& fieldDefs) const;

  // Accepts every pending change; a clone then rebuilds its source's view.
  void CommitUpdates() override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void InternalLoadData() override;
  void InternalApplyUpdates() override;
  void InternalRefresh() override;
  void InternalClose() override;
  void DefChanged(TFieldDefs* sender) override;

 private:
  void QueryChanged();
  void InternalLoadByClearMode();
  void InternalLoadFromFile();
  void InternalLoadFromCursor();
  void InternalLoadFromServer();

  std::string fileName_;
  std::string preparedSQL_;
  TzelLoadMode loadMode_ = lmClear;
  bool storeDefs_ = false;
  TzelDataset* cloneDS_ = nullptr;  // cleared by its destruction notice
  bool registeredAsClone_ = false;  // CloneDS counts this table among its clones
  // Open tables that clone this one; closed before this table is destroyed,
  // while it can still take them back.
  std::vector<TzelTable*> tableClones_;
  TStringList sql_;
  TStringList insertedValues_;  // name=value lines of one INSERT statement
  TParams params_{this};
  std::string updatableFields_;  // ";"-separated, rebuilt with each statement batch
};

}  // namespace morvane
