#include "table_replacement.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "error_context.h"
#include "file_attributes.h"
#include "hidden_file.h"

namespace dbfe {

namespace {

using dravlik::DirectoryOf;
using dravlik::FileNameOf;
using dravlik::HiddenSibling;
using dravlik::StillNamed;

constexpr int kLockAttempts = 10;

[[noreturn]] void CreateFailed(const std::string& path, int error_number) {
  throw EngineError(DBFE_ERR_CREATE_FAILED).Table(path).Os(error_number);
}

FileIdentity IdentityOf(const struct stat& info) { return {info.st_dev, info.st_ino}; }

bool TryLock(int fd, int operation, const std::string& path) {
  while (::flock(fd, operation | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) return false;
    CreateFailed(path, errno);
  }
  return true;
}

// The replacement lock of a table. Its file is removed while held when a
// replacement ends, so a waiter that locked the removed file tries again.
FileDescriptor LockReplacement(const std::string& path, const std::string& lock_path) {
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    FileDescriptor fd(::open(lock_path.c_str(),
                             O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666));
    if (!fd.valid()) CreateFailed(path, errno);
    struct stat held {};
    if (::fstat(fd.get(), &held) != 0) CreateFailed(path, errno);
    if (!S_ISREG(held.st_mode)) {
      throw EngineError(DBFE_ERR_CREATE_FAILED).Table(path).Detail("Lock file: " + lock_path +
                                                                   " is not a regular file.");
    }
    if (!TryLock(fd.get(), LOCK_EX, path)) {
      throw EngineError(DBFE_ERR_TABLE_IN_USE).Table(path).Detail("Another program is replacing the table.");
    }
    struct stat named {};
    if (::lstat(lock_path.c_str(), &named) == 0 && IdentityOf(named) == IdentityOf(held)) return fd;
  }
  throw EngineError(DBFE_ERR_TABLE_IN_USE).Table(path).Detail("Another program is replacing the table.");
}

// The file at `path` with what fstat says of it; an invalid descriptor where
// there is none (a dangling symbolic link counts as none: the rename replaces
// the link).
FileDescriptor OpenIfThere(const std::string& path, struct stat& info) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!fd.valid()) {
    if (errno == ENOENT) return fd;
    CreateFailed(path, errno);
  }
  if (::fstat(fd.get(), &info) != 0) CreateFailed(path, errno);
  return fd;
}

bool UserMayWrite(const std::string& path, const struct stat& info) {
  return !dravlik::OwnerMadeReadOnly(info) && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

void SyncNewTable(int fd, const std::string& path) {
  if (const int error = SyncFile(fd)) CreateFailed(path, error);
}

}  // namespace

TableReplacement::TableReplacement(std::string path, const TableLayout& layout, bool overwrite)
    : path_(std::move(path)), overwrite_(overwrite), lock_path_(HiddenSibling(path_, ".lock")) {
  lock_ = LockReplacement(path_, lock_path_);
  try {
    InspectOldTable();
    dravlik::RemoveLeftovers(path_);
    CreateNewFile(layout);
  } catch (...) {
    Drop();
    throw;
  }
}

TableReplacement::~TableReplacement() {
  if (!committed_) Drop();
}

std::string TableReplacement::NewFileName() const { return FileNameOf(new_path_); }

// Refuses early what the commit would refuse, so no work is wasted on it.
void TableReplacement::InspectOldTable() {
  struct stat info {};
  const FileDescriptor fd = OpenIfThere(path_, info);
  if (!fd.valid()) return;
  if (!overwrite_) throw EngineError(DBFE_ERR_TABLE_EXISTS).Table(path_);
  if (!S_ISREG(info.st_mode)) {
    throw EngineError(DBFE_ERR_CREATE_FAILED).Table(path_).Detail("The path is not a regular file.");
  }
  if (!UserMayWrite(path_, info)) throw EngineError(DBFE_ERR_READ_ONLY_ACCESS).Table(path_);
  if (!TryLock(fd.get(), LOCK_EX, path_)) throw EngineError(DBFE_ERR_TABLE_IN_USE).Table(path_);
  old_ = OldTable{IdentityOf(info), info};
}

// A new file beside the table: private while it is written when it replaces
// one, as a new file gets it here otherwise.
void TableReplacement::CreateNewFile(const TableLayout& layout) {
  new_file_ = FileDescriptor(dravlik::CreateHiddenFile(path_, old_ ? 0600 : 0666, false, new_path_));
  if (!new_file_.valid()) CreateFailed(path_, errno);
  std::vector<std::uint8_t> bytes = EncodeHeader(layout, Today());
  bytes.push_back(kEndOfFile);
  WriteAt(new_file_.get(), bytes, 0, path_, DBFE_ERR_CREATE_FAILED);
}

std::optional<EngineError> TableReplacement::Commit() {
  try {
    // A cursor still open on the new table holds its shared lock.
    if (!TryLock(new_file_.get(), LOCK_EX, path_)) {
      throw EngineError(DBFE_ERR_TABLE_IN_USE).Table(path_).Detail("The new table is still open.");
    }
    if (!StillNamed(new_file_.get(), new_path_)) {
      throw EngineError(DBFE_ERR_TABLE_REPLACED).Table(path_).Detail("The new table was moved: " + new_path_);
    }
    const FileDescriptor old_table = LockOldTableForCommit();
    if (old_) {
      if (const int error = dravlik::TakeOverAttributes(new_file_.get(), old_->attributes)) CreateFailed(path_, error);
    }
    SyncNewTable(new_file_.get(), path_);
    PutInPlace();
    committed_ = true;
  } catch (...) {
    Drop();
    throw;
  }
  new_file_.Reset();
  // Removed while held, so that no one else is left holding a lock on it.
  ::unlink(lock_path_.c_str());
  lock_.Reset();
  return MakeRenameDurable();
}

// The table is in its place whatever this finds, so it reports rather than throws.
std::optional<EngineError> TableReplacement::MakeRenameDurable() const noexcept {
  const int error = SyncDirectory(DirectoryOf(path_));
  if (error == 0) return std::nullopt;
  try {
    return EngineError(DBFE_WARN_NOT_DURABLE).Table(path_).Os(error);
  } catch (const std::bad_alloc&) {
    return EngineError(DBFE_WARN_NOT_DURABLE);
  }
}

// The table under the name must be the one found at begin (or none), and
// nobody may have it open; it stays locked until the new one is in its place.
FileDescriptor TableReplacement::LockOldTableForCommit() const {
  struct stat info {};
  FileDescriptor fd = OpenIfThere(path_, info);
  if (!fd.valid()) return fd;  // removed meanwhile: nothing of anyone's is lost
  if (!overwrite_) throw EngineError(DBFE_ERR_TABLE_EXISTS).Table(path_);
  if (!old_ || old_->identity != IdentityOf(info)) {
    throw EngineError(DBFE_ERR_TABLE_REPLACED).Table(path_);
  }
  if (!TryLock(fd.get(), LOCK_EX, path_)) throw EngineError(DBFE_ERR_TABLE_IN_USE).Table(path_);
  return fd;
}

void TableReplacement::PutInPlace() {
  if (overwrite_) {
    if (::rename(new_path_.c_str(), path_.c_str()) != 0) CreateFailed(path_, errno);
    return;
  }
  // link() never replaces: a table created meanwhile by someone else stays.
  if (::link(new_path_.c_str(), path_.c_str()) != 0) {
    if (errno == EEXIST) throw EngineError(DBFE_ERR_TABLE_EXISTS).Table(path_);
    CreateFailed(path_, errno);
  }
  ::unlink(new_path_.c_str());
}

void TableReplacement::Drop() noexcept {
  if (new_file_.valid()) {
    // Only our own file: another may have been put under its name.
    if (StillNamed(new_file_.get(), new_path_)) ::unlink(new_path_.c_str());
    new_file_.Reset();
  }
  if (lock_.valid()) {
    ::unlink(lock_path_.c_str());
    lock_.Reset();
  }
}

}  // namespace dbfe
