#include "status_text.h"

namespace dbfe {

const char* StatusText(dbfe_status status) noexcept {
  switch (status) {
    case DBFE_OK: return "No error.";
    case DBFE_ERR_OPEN_FAILED: return "Cannot open the table file.";
    case DBFE_ERR_READ_FAILED: return "Cannot read the table file.";
    case DBFE_ERR_WRITE_FAILED: return "Cannot write to the table file.";
    case DBFE_ERR_TABLE_NOT_FOUND: return "Table does not exist.";
    case DBFE_ERR_CREATE_FAILED: return "Cannot create the table file.";
    case DBFE_ERR_TABLE_EXISTS: return "Table already exists.";
    case DBFE_ERR_DIRECTORY_NOT_FOUND: return "Directory does not exist.";
    case DBFE_ERR_LIBRARY_NOT_FOUND: return "Cannot find the database engine library.";
    case DBFE_ERR_LOAD_FAILED: return "Cannot load the database engine library.";
    case DBFE_ERR_BOF: return "At beginning of table.";
    case DBFE_ERR_EOF: return "At end of table.";
    case DBFE_ERR_NO_CURRENT_RECORD: return "No current record.";
    case DBFE_ERR_RECORD_DELETED: return "Record has been deleted.";
    case DBFE_ERR_NO_MEMORY: return "Not enough memory for this operation.";
    case DBFE_ERR_NO_ENTRY_POINT: return "Entry point not found.";
    case DBFE_WARN_ALREADY_INITIALISED: return "Database engine is already initialised.";
    case DBFE_ERR_READ_ONLY_ACCESS: return "Table can only be opened for reading.";
    case DBFE_ERR_TABLE_IN_USE: return "Table is in use by another program.";
    case DBFE_ERR_RECORD_LOCKED: return "Record is locked by another user.";
    case DBFE_ERR_NOT_LOCKED: return "Record is not locked.";
    case DBFE_ERR_TABLE_READ_ONLY: return "Table is read-only.";
    case DBFE_ERR_TABLE_LOCKED: return "Table is locked by another program.";
    case DBFE_ERR_TABLE_REPLACED: return "Table was replaced by another program.";
    case DBFE_WARN_NOT_DURABLE: return "Table was replaced, but a system crash may undo it.";
    case DBFE_ERR_CORRUPT_TABLE: return "Table file is damaged or is not a dBASE table.";
    case DBFE_ERR_VALUE_DOES_NOT_FIT: return "Value cannot be stored exactly in the field.";
    case DBFE_ERR_INVALID_FIELD_VALUE: return "Field holds a value that is not a number.";
    case DBFE_ERR_INVALID_FIELD_NAME: return "Invalid field name.";
    case DBFE_ERR_INVALID_FIELD_DEFINITION: return "Invalid field definition.";
    case DBFE_ERR_DRIVER_NOT_SUPPORTED: return "Driver is not supported.";
    case DBFE_ERR_DRIVER: return "Driver failure.";
    case DBFE_ERR_NOT_INITIALISED: return "Database engine is not initialised.";
    case DBFE_ERR_VERSION_NOT_SUPPORTED: return "Interface version is not supported.";
    case DBFE_ERR_INVALID_HANDLE: return "Invalid handle.";
    case DBFE_ERR_INVALID_PARAMETER: return "Invalid parameter.";
    case DBFE_ERR_UNKNOWN_PROPERTY: return "Unknown property.";
    case DBFE_ERR_DATABASE_NOT_SUPPORTED:
      return "Only the standard database of local files is supported.";
    case DBFE_ERR_BUFFER_TOO_SMALL: return "Buffer is too small.";
    case DBFE_ERR_INTERNAL: return "Internal database engine error.";
    default: return nullptr;
  }
}

}  // namespace dbfe
