#include "table_creation.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>

#include "error_context.h"
#include "os_file.h"

namespace dbfe {

namespace {

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

[[noreturn]] void CreateFailed(const std::string& path, int error_number) {
  throw EngineError(DBFE_ERR_CREATE_FAILED).Table(path).Os(error_number);
}

// The existing file, locked exclusively; an invalid descriptor when there is none.
FileDescriptor LockExistingTable(const std::string& path, bool overwrite) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!fd.valid()) {
    // A dangling symbolic link counts as no table; rename replaces the link.
    if (errno == ENOENT) return fd;
    CreateFailed(path, errno);
  }
  if (!overwrite) throw EngineError(DBFE_ERR_TABLE_EXISTS).Table(path);
  while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) throw EngineError(DBFE_ERR_TABLE_IN_USE).Table(path);
    CreateFailed(path, errno);
  }
  return fd;
}

// A new file beside the table, with the permissions a new file gets here.
FileDescriptor CreateTemporary(const std::string& path, std::string& temporary) {
  std::mt19937_64 random(static_cast<std::uint64_t>(
      std::chrono::steady_clock::now().time_since_epoch().count() ^ (std::uint64_t{
          static_cast<std::uint32_t>(::getpid())} << 32)));
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = DirectoryOf(path) + "/." + FileNameOf(path) + "." +
                std::to_string(random() % 1000000000) + ".tmp";
    FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (fd.valid()) return fd;
    if (errno != EEXIST) CreateFailed(path, errno);
  }
  CreateFailed(path, EEXIST);
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

void PutInPlace(const std::string& temporary, const std::string& path, bool overwrite) {
  if (overwrite) {
    if (::rename(temporary.c_str(), path.c_str()) != 0) CreateFailed(path, errno);
    return;
  }
  // link() never replaces: a table created meanwhile by someone else stays.
  if (::link(temporary.c_str(), path.c_str()) != 0) {
    if (errno == EEXIST) throw EngineError(DBFE_ERR_TABLE_EXISTS).Table(path);
    CreateFailed(path, errno);
  }
  ::unlink(temporary.c_str());
}

}  // namespace

void CreateTable(const std::string& path, const TableLayout& layout, bool overwrite) {
  const FileDescriptor old_table = LockExistingTable(path, overwrite);

  std::string temporary;
  FileDescriptor fd = CreateTemporary(path, temporary);
  try {
    std::vector<std::uint8_t> bytes = EncodeHeader(layout, Today());
    bytes.push_back(kEndOfFile);
    WriteAt(fd.get(), bytes, 0, path, DBFE_ERR_CREATE_FAILED);
    SyncFile(fd.get(), path);
    if (const int error = fd.Reset(); error != 0) CreateFailed(path, error);
    PutInPlace(temporary, path, overwrite);
  } catch (...) {
    ::unlink(temporary.c_str());
    throw;
  }
  SyncDirectory(path);
}

}  // namespace dbfe
