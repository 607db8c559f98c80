/* The database engine's C interface.
 *
 * The engine is a shared library that the table layer loads at run time and
 * reaches only through these entry points. Every operation returns a 16-bit
 * status, 0 for success. Record buffers are the engine's: their size is the
 * cursor's record size, and values go in and out through put/get field only.
 *
 * Handles belong to the thread that made them; the engine keeps the last
 * error's context per thread. The engine has one thread of its own, with
 * every signal blocked, from the first insert to the last exit; it ends runs
 * of inserts that have gone idle (see below). A child process made by fork
 * may close the cursors it inherited, which leaves the parent's alone, but
 * must not use them otherwise: it opens its own. */
#ifndef PDRAVLIK_ENGINE_API_H
#define PDRAVLIK_ENGINE_API_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint16_t dbfe_status;

/* Every entry point's status must be looked at: a caller that drops one gets a
 * warning (an error under -Werror). C++ callers that mean to ignore one say so
 * with a cast to void; GCC's C attribute ignores such a cast. */
#if defined(__cplusplus) && __cplusplus >= 201703L
#define DBFE_NODISCARD [[nodiscard]]
#elif defined(__GNUC__)
#define DBFE_NODISCARD __attribute__((warn_unused_result))
#else
#define DBFE_NODISCARD
#endif

/* Statuses the callers rely on. The engine has more of its own, each with a
 * text from dbfe_get_status_text. */
enum {
  DBFE_OK = 0x0000,
  DBFE_ERR_LIBRARY_NOT_FOUND = 0x2108,  /* loading: no engine library found */
  DBFE_ERR_LOAD_FAILED = 0x2109,        /* loading: any other failure */
  DBFE_ERR_BOF = 0x2201,                /* moved before the first record */
  DBFE_ERR_EOF = 0x2202,                /* moved past the last record */
  DBFE_ERR_NO_MEMORY = 0x2501,
  DBFE_ERR_NO_ENTRY_POINT = 0x2A06,     /* loading: no initialisation entry point;
                                           error context: no more entries */
  DBFE_WARN_ALREADY_INITIALISED = 0x2A07,  /* counts as success */
  DBFE_ERR_READ_ONLY_ACCESS = 0x2A0B,   /* the table can only be opened for reading */
  DBFE_ERR_DRIVER = 0x2EC4,             /* a driver failure; the error context says what */
  DBFE_ERR_NOT_INITIALISED = 0x2F01     /* called before dbfe_init or after dbfe_exit */
};

/* The engine's own statuses. Each failure also leaves an error context
 * (dbfe_get_error_entry) naming what failed: "Table: <path>", "Field: <name>",
 * "Value: <value>" and, where the operating system gave one, its reason with
 * the native code (errno). */
enum {
  DBFE_ERR_OPEN_FAILED = 0x2101,        /* the table file cannot be opened */
  DBFE_ERR_READ_FAILED = 0x2102,
  DBFE_ERR_WRITE_FAILED = 0x2103,       /* disk full, file size limit, I/O error */
  DBFE_ERR_TABLE_NOT_FOUND = 0x2104,
  DBFE_ERR_CREATE_FAILED = 0x2105,
  DBFE_ERR_TABLE_EXISTS = 0x2106,       /* create without overwrite */
  DBFE_ERR_DIRECTORY_NOT_FOUND = 0x2107,
  DBFE_ERR_NO_CURRENT_RECORD = 0x2203,  /* the cursor is not on a record (after a delete) */
  DBFE_ERR_RECORD_DELETED = 0x2204,     /* the record was deleted meanwhile */
  DBFE_ERR_TABLE_IN_USE = 0x2A10,       /* another cursor or program holds the table open */
  DBFE_ERR_RECORD_LOCKED = 0x2A11,      /* another cursor or program holds the record lock */
  DBFE_ERR_NOT_LOCKED = 0x2A12,         /* release of a lock that this cursor does not hold */
  DBFE_ERR_TABLE_READ_ONLY = 0x2A13,    /* a change through a read-only cursor */
  DBFE_ERR_TABLE_LOCKED = 0x2A14,       /* another cursor or program kept the append lock
                                           longer than the cursor waits (DBFE_PROP_LOCK_WAIT) */
  DBFE_ERR_TABLE_REPLACED = 0x2A15,     /* another program put a different file under the
                                           table's name while it was being replaced */
  DBFE_WARN_NOT_DURABLE = 0x2A16,       /* counts as success: the table was replaced, but a
                                           system crash may yet bring the old one back */
  DBFE_ERR_CORRUPT_TABLE = 0x2C01,      /* not a dBASE table, or damaged */
  DBFE_ERR_VALUE_DOES_NOT_FIT = 0x2C02, /* put field: no exact text of the value fits the width */
  DBFE_ERR_INVALID_FIELD_VALUE = 0x2C03,/* get field: the stored text is not a number */
  DBFE_ERR_INVALID_FIELD_NAME = 0x2C04, /* empty, longer than 10 characters, not A-Z 0-9 _, or twice */
  DBFE_ERR_INVALID_FIELD_DEFINITION = 0x2C05,
  DBFE_ERR_DRIVER_NOT_SUPPORTED = 0x2E01, /* only "DBASE" and "FOXPRO" */
  DBFE_ERR_VERSION_NOT_SUPPORTED = 0x2F02,
  DBFE_ERR_INVALID_HANDLE = 0x2F03,
  DBFE_ERR_INVALID_PARAMETER = 0x2F04,
  DBFE_ERR_UNKNOWN_PROPERTY = 0x2F05,
  DBFE_ERR_DATABASE_NOT_SUPPORTED = 0x2F06, /* only the standard database of local files */
  DBFE_ERR_BUFFER_TOO_SMALL = 0x2F07,
  DBFE_ERR_INTERNAL = 0x2F08
};

/* The category of a status is its high byte: 0x22 holds BOF and EOF. */
#define DBFE_CATEGORY(status) ((uint16_t)((status) >> 8))

enum { DBFE_INTERFACE_VERSION = 500 };

typedef struct {
  char language[8]; /* "0009" */
} dbfe_environment;

typedef enum { DBFE_READ_WRITE = 0, DBFE_READ_ONLY = 1 } dbfe_open_mode;
typedef enum { DBFE_SHARED = 0, DBFE_EXCLUSIVE = 1 } dbfe_share_mode;
typedef enum { DBFE_NO_LOCK = 0, DBFE_WRITE_LOCK = 1 } dbfe_lock;

/* Logical field types. */
enum { DBFE_TYPE_ZSTRING = 1, DBFE_TYPE_FLOAT = 7 };

/* Properties. */
enum {
  DBFE_PROP_DATABASE_TYPE = 0x40002,    /* read: "STANDARD" for local files */
  DBFE_PROP_INSERT_WITHOUT_LOCK = 0x50014, /* accepted; inserts take no record lock unless asked */
  DBFE_PROP_LOCK_WAIT = 0x5F001         /* cursor: milliseconds an insert, modify or delete
                                           waits for another's append lock (0 to 3600000,
                                           default 5000) */
};

enum { DBFE_MAX_NAME = 31, DBFE_MAX_PATH = 260, DBFE_MAX_MESSAGE = 255 };

typedef struct dbfe_database_s* dbfe_database;
typedef struct dbfe_cursor_s* dbfe_cursor;
typedef struct dbfe_replacement_s* dbfe_replacement;

typedef struct {
  char name[DBFE_MAX_NAME + 1];
  uint16_t type;    /* DBFE_TYPE_* */
  uint16_t subtype; /* 0 */
  uint16_t units1;  /* the size of a string field; 0 for a float field */
  uint16_t units2;
} dbfe_logical_field;

typedef struct {
  uint16_t number; /* 1-based position in the record */
  char name[DBFE_MAX_NAME + 1];
  uint16_t type;    /* logical type, DBFE_TYPE_* */
  uint16_t subtype;
  uint16_t units1;  /* logical size */
  uint16_t units2;
  char physical_type;     /* the file's field type letter */
  uint16_t width;         /* bytes in the file's record */
  uint16_t decimals;
  uint16_t offset;        /* where the field starts in the record buffer */
} dbfe_field_desc;

typedef struct {
  char name[DBFE_MAX_PATH + 1]; /* table name, relative to the database directory */
  char driver[DBFE_MAX_NAME + 1];
} dbfe_table_desc;

typedef struct {
  char name[DBFE_MAX_PATH + 1];
  uint16_t field_count;
  uint16_t record_size; /* bytes of a record buffer */
  bool read_only;       /* the table cannot be modified through this cursor */
} dbfe_cursor_props;

typedef struct {
  uint32_t seq_no;   /* 1-based position among the table's records */
  uint32_t phy_rec_no;
} dbfe_record_props;

/* Session. */
DBFE_NODISCARD dbfe_status dbfe_init(uint16_t version, const dbfe_environment* env);
DBFE_NODISCARD dbfe_status dbfe_exit(void);

/* Texts. The status text of any status the engine can return; the error context
 * of the calling thread's last failure or warning, entry 1, 2, ...: the entry's
 * status is the result (0 or DBFE_ERR_NO_ENTRY_POINT when there is no such
 * entry), with a native code (0 unless the operating system gave one) and a
 * text. */
DBFE_NODISCARD dbfe_status dbfe_get_status_text(dbfe_status status, char* text, size_t size);
DBFE_NODISCARD dbfe_status dbfe_get_error_entry(uint16_t entry, int32_t* native_code, char* text, size_t size);

/* Databases. A name and type of NULL open the standard database of local files;
 * an empty directory means the process's current working directory. */
DBFE_NODISCARD dbfe_status dbfe_open_database(const char* name, const char* type, dbfe_open_mode mode,
                                              dbfe_share_mode share, dbfe_database* database);
DBFE_NODISCARD dbfe_status dbfe_set_directory(dbfe_database database, const char* directory);
DBFE_NODISCARD dbfe_status dbfe_get_database_property(dbfe_database database, uint32_t property, char* value,
                                                      size_t size);
DBFE_NODISCARD dbfe_status dbfe_close_database(dbfe_database* database);

/* Tables. */
DBFE_NODISCARD dbfe_status dbfe_translate_record_structure(const char* driver, uint16_t count,
                                                           const dbfe_logical_field* logical,
                                                           dbfe_field_desc* physical);
DBFE_NODISCARD dbfe_status dbfe_create_table(dbfe_database database, bool overwrite, const dbfe_table_desc* table,
                                             uint16_t field_count, const dbfe_field_desc* fields);
/* Replacing a table whole. Begin creates the new, empty table beside the old
 * one under a hidden name of its own, which dbfe_get_replacement_name gives
 * (relative to the database directory, like the table's name) for
 * dbfe_open_table to fill it through. The old table stays in place, unchanged
 * and readable, until commit renames the new one over it, with the old one's
 * permissions; drop, an exit, or the process dying leaves the old table (or
 * none, where there was none), and the next replacement of the table removes
 * what a dead one left (".NAME.NNNNNNNNN.tmp", only the user's own regular
 * files). One replacement of a table runs at a time across programs, holding
 * ".NAME.lock" beside it: begin fails with DBFE_ERR_TABLE_IN_USE while another
 * runs or the old table is open, and with DBFE_ERR_READ_ONLY_ACCESS for a table
 * its owner made read-only. Commit needs every cursor on the new table closed;
 * it fails, dropping the new table and leaving the old one, with
 * DBFE_ERR_TABLE_IN_USE when the old table is open, DBFE_ERR_TABLE_REPLACED
 * when the file under the table's name is no longer the one begin found, or
 * DBFE_ERR_CREATE_FAILED. Once the new table is in its place the commit
 * succeeds, with DBFE_WARN_NOT_DURABLE when the directory could not be synced
 * after the rename: the table is replaced, but a system crash may yet bring
 * the old one back; the error context names the table and the reason. Commit
 * and drop free the handle, also on failure.
 * dbfe_create_table is a begin followed at once by a commit. */
DBFE_NODISCARD dbfe_status dbfe_begin_replacement(dbfe_database database, const dbfe_table_desc* table,
                                                  uint16_t field_count, const dbfe_field_desc* fields,
                                                  dbfe_replacement* replacement);
DBFE_NODISCARD dbfe_status dbfe_get_replacement_name(dbfe_replacement replacement, char* name, size_t size);
DBFE_NODISCARD dbfe_status dbfe_commit_replacement(dbfe_replacement* replacement);
DBFE_NODISCARD dbfe_status dbfe_drop_replacement(dbfe_replacement* replacement);

DBFE_NODISCARD dbfe_status dbfe_open_table(dbfe_database database, const char* name, const char* driver,
                                           const char* index_name, dbfe_open_mode mode, dbfe_share_mode share,
                                           bool translate, bool bidirectional, dbfe_cursor* cursor);
DBFE_NODISCARD dbfe_status dbfe_close_cursor(dbfe_cursor* cursor);

DBFE_NODISCARD dbfe_status dbfe_get_cursor_props(dbfe_cursor cursor, dbfe_cursor_props* props);
DBFE_NODISCARD dbfe_status dbfe_get_field_descs(dbfe_cursor cursor, dbfe_field_desc* fields);
DBFE_NODISCARD dbfe_status dbfe_set_cursor_property(dbfe_cursor cursor, uint32_t property, uint64_t value);

/* Record buffers. A value is a zero-terminated string for a string field and a
 * double for a float field; a NULL value makes the field empty. */
DBFE_NODISCARD dbfe_status dbfe_init_record(dbfe_cursor cursor, uint8_t* record);
DBFE_NODISCARD dbfe_status dbfe_put_field(dbfe_cursor cursor, uint16_t field_number, uint8_t* record,
                                          const void* value);
/* String values need 3 * units1 + 1 bytes: a cursor opened with translate
 * gives UTF-8, up to three bytes for each stored byte (Windows-1252, the code
 * page of language bytes 0x03, which new tables get, and 0x57 to 0x59, stores
 * one byte per character,
 * and put field transliterates what it lacks: Ř as R, anything else as '?';
 * other code pages pass UTF-8 through, cut between characters). Without
 * translate, values are the stored bytes, units1 + 1 of them. */
DBFE_NODISCARD dbfe_status dbfe_get_field(dbfe_cursor cursor, uint16_t field_number, const uint8_t* record,
                                          void* value, bool* empty);

/* Files and behaviour, as the engine keeps them:
 * - Float fields are numeric fields 'N' 20 wide with 10 decimals holding the
 *   shortest text that reads back as the identical double: fixed notation when
 *   it fits, else an exponent form such as "-123456789012345e-99". Empty is
 *   all blanks. String fields are 'C' fields of their size; values come back as
 *   stored, trailing blanks included.
 * - A table is opened with a shared lock on its file; create with overwrite
 *   needs the exclusive one (else DBFE_ERR_TABLE_IN_USE) and replaces the file
 *   by renaming a complete new one over it (never writing through a symbolic
 *   link). An insert is visible to every reader at once or not at all, even if
 *   the process is killed in the middle. Nothing is flushed to the disk per
 *   record; closing a cursor that changed the table flushes it.
 * - Appends of several cursors and programs are serialised by an append lock
 *   (which a cursor opened DBFE_EXCLUSIVE does without). A cursor keeps it
 *   through a run of inserts, during which an insert makes no system call:
 *   the records go through a shared mapping of the file's end, which grows
 *   ahead in steps of 256 KiB. The run ends when the cursor does anything
 *   else with the table (reads, moves, modify, delete, locks; record buffers,
 *   fields and properties do not count), when it is closed, when it has been
 *   idle for about 20 ms (a thread of the engine ends it), and after 50 ms if
 *   another cursor or program waits. Its end cuts the file back to its
 *   records and end marker; until then, and after a process is killed in a
 *   run, the file may hold zeros after the marker, which every reader
 *   ignores and the next run cuts. Inserts, modifies and deletes wait at most
 *   DBFE_PROP_LOCK_WAIT for the lock, then fail with DBFE_ERR_TABLE_LOCKED.
 *   The space is taken when the file grows, never stopping past the file size
 *   limit, so that a full disk fails the insert that meets it
 *   (DBFE_ERR_WRITE_FAILED) and never a store into the mapping.
 * - A file whose header counts more records than it holds is refused as
 *   damaged (DBFE_ERR_CORRUPT_TABLE); bytes after the records are ignored.
 *   So is one whose count takes it past 2^31 - 1 bytes, the dBASE limit; an
 *   insert that would pass the limit fails (DBFE_ERR_WRITE_FAILED).
 * - After an insert the cursor is on the new record. After a delete it is
 *   between the deleted record's neighbours: get next returns the following
 *   record, get prior the preceding one, get record DBFE_ERR_NO_CURRENT_RECORD.
 * - dbfe_get_record_count and reaching the end re-read the header, so records
 *   that other programs append become visible. dbfe_set_to_seq_no costs O(1)
 *   while no record is deleted and O(log deleted) otherwise; the first call
 *   reads the deletion flags of the table once.
 * - dbfe_get_status_text and dbfe_get_error_entry work at any time, also before
 *   dbfe_init; every other entry point answers DBFE_ERR_NOT_INITIALISED then.
 *   dbfe_init counts: each successful call needs one dbfe_exit, and the last
 *   exit closes every cursor and database still open. */

/* Navigation. The cursor is on a record or between records; after set to
 * begin the next record is the first. The record count and sequence numbers
 * count the records that are not deleted. */
DBFE_NODISCARD dbfe_status dbfe_set_to_begin(dbfe_cursor cursor);
DBFE_NODISCARD dbfe_status dbfe_set_to_end(dbfe_cursor cursor);
DBFE_NODISCARD dbfe_status dbfe_set_to_seq_no(dbfe_cursor cursor, uint32_t seq_no);
DBFE_NODISCARD dbfe_status dbfe_get_record_count(dbfe_cursor cursor, uint32_t* count);
DBFE_NODISCARD dbfe_status dbfe_get_next_record(dbfe_cursor cursor, dbfe_lock lock, uint8_t* record,
                                                dbfe_record_props* props);
DBFE_NODISCARD dbfe_status dbfe_get_prior_record(dbfe_cursor cursor, dbfe_lock lock, uint8_t* record,
                                                 dbfe_record_props* props);
DBFE_NODISCARD dbfe_status dbfe_get_record(dbfe_cursor cursor, dbfe_lock lock, uint8_t* record,
                                           dbfe_record_props* props);
/* Up to `count` records after the cursor, without locks, read from the file in
 * one piece: the same records, one after another in `records`, that as many
 * get-next calls would give at this moment. `delivered` receives how many; the
 * cursor is left on the last of them. Fewer than `count` only at the end of
 * the table; none there is DBFE_ERR_EOF. */
DBFE_NODISCARD dbfe_status dbfe_get_next_records(dbfe_cursor cursor, uint32_t count, uint8_t* records, uint32_t* delivered);

/* Changes. Insert appends the record at the end of the file and leaves the
 * cursor on it; it is on disk, with the header's record count, on return. */
DBFE_NODISCARD dbfe_status dbfe_insert_record(dbfe_cursor cursor, dbfe_lock lock, const uint8_t* record);
DBFE_NODISCARD dbfe_status dbfe_modify_record(dbfe_cursor cursor, const uint8_t* record, bool free_lock);
DBFE_NODISCARD dbfe_status dbfe_delete_record(dbfe_cursor cursor);
DBFE_NODISCARD dbfe_status dbfe_release_record_lock(dbfe_cursor cursor);

#ifdef __cplusplus
}
#endif

#endif
