#include "table_replacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>

#include "error_context.h"

namespace dbfe {

namespace {

constexpr int kLockAttempts = 10;

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// ".NAME" beside the table: hidden, and named for the table it serves.
std::string HiddenSibling(const std::string& path, const std::string& suffix) {
  return DirectoryOf(path) + "/." + FileNameOf(path) + suffix;
}

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

// Whether `name` is what a replacement of `table_name` writes: ".NAME.<digits>.tmp".
bool IsLeftoverName(const std::string& name, const std::string& table_name) {
  const std::string prefix = "." + table_name + ".";
  const std::string suffix = ".tmp";
  if (name.size() <= prefix.size() + suffix.size()) return false;
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  if (name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) return false;
  for (std::size_t i = prefix.size(); i < name.size() - suffix.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

// What killed replacements left: only our own regular files of our pattern.
// A leftover that cannot be removed costs only space, so it does not stop
// the replacement.
void RemoveLeftovers(const std::string& path) {
  const std::string table_name = FileNameOf(path);
  DIR* directory = ::opendir(DirectoryOf(path).c_str());
  if (directory == nullptr) return;
  const int directory_fd = ::dirfd(directory);
  while (const dirent* entry = ::readdir(directory)) {
    if (!IsLeftoverName(entry->d_name, table_name)) continue;
    struct stat info {};
    if (::fstatat(directory_fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) continue;
    ::unlinkat(directory_fd, entry->d_name, 0);
  }
  ::closedir(directory);
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

// Whether the name still leads to the file we hold (not followed if a link).
bool StillNamed(int fd, const std::string& path) {
  struct stat held {}, named {};
  return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && IdentityOf(named) == IdentityOf(held);
}

// Even root must not replace a table that its owner made read-only.
bool UserMayWrite(const std::string& path, const struct stat& info) {
  return (info.st_mode & 0222) != 0 && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

void SyncFile(int fd, const std::string& path) {
  while (::fsync(fd) != 0) {
    if (errno != EINTR) CreateFailed(path, errno);
  }
}

// Makes the rename itself durable.
void SyncDirectory(const std::string& path) {
  FileDescriptor directory(::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!directory.valid()) CreateFailed(path, errno);
  while (::fsync(directory.get()) != 0) {
    if (errno == EINTR) continue;
    if (errno == EINVAL) return;  // the file system cannot sync directories
    CreateFailed(path, errno);
  }
}

}  // namespace

TableReplacement::TableReplacement(std::string path, const TableLayout& layout, bool overwrite)
    : path_(std::move(path)), overwrite_(overwrite), lock_path_(HiddenSibling(path_, ".lock")) {
  lock_ = LockReplacement(path_, lock_path_);
  try {
    InspectOldTable();
    RemoveLeftovers(path_);
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
  old_ = OldTable{IdentityOf(info), static_cast<mode_t>(info.st_mode & 07777)};
}

// A new file beside the table, with the permissions a new file gets here.
void TableReplacement::CreateNewFile(const TableLayout& layout) {
  std::mt19937_64 random(static_cast<std::uint64_t>(
      std::chrono::steady_clock::now().time_since_epoch().count() ^
      (std::uint64_t{static_cast<std::uint32_t>(::getpid())} << 32)));
  for (int attempt = 0; attempt < 100 && !new_file_.valid(); ++attempt) {
    // Appended, not literal + string: g++ 12 at -O3 warns falsely (-Wrestrict) on that.
    std::string suffix(1, '.');
    suffix += std::to_string(random() % 1000000000);
    suffix += ".tmp";
    const std::string candidate = HiddenSibling(path_, suffix);
    new_file_ = FileDescriptor(
        ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0666));
    if (new_file_.valid()) new_path_ = candidate;
    else if (errno != EEXIST) CreateFailed(path_, errno);
  }
  if (!new_file_.valid()) CreateFailed(path_, EEXIST);
  std::vector<std::uint8_t> bytes = EncodeHeader(layout, Today());
  bytes.push_back(kEndOfFile);
  WriteAt(new_file_.get(), bytes, 0, path_, DBFE_ERR_CREATE_FAILED);
}

void TableReplacement::Commit() {
  try {
    // A cursor still open on the new table holds its shared lock.
    if (!TryLock(new_file_.get(), LOCK_EX, path_)) {
      throw EngineError(DBFE_ERR_TABLE_IN_USE).Table(path_).Detail("The new table is still open.");
    }
    if (!StillNamed(new_file_.get(), new_path_)) {
      throw EngineError(DBFE_ERR_TABLE_REPLACED).Table(path_).Detail("The new table was moved: " + new_path_);
    }
    const FileDescriptor old_table = LockOldTableForCommit();
    if (old_ && ::fchmod(new_file_.get(), old_->permissions) != 0) CreateFailed(path_, errno);
    SyncFile(new_file_.get(), path_);
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
  SyncDirectory(path_);
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
