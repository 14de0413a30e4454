// SPDX-License-Identifier: Apache-2.0
#define FUSE_USE_VERSION 312
#include "FuseServer.h"

#include <fuse_lowlevel.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "Command.h"
#include "disk/ReadBuffer.h"

namespace kestrel::cli {
namespace {

using mount::MountedVolume;
using mount::MountNode;
using mount::NodeId;

// Nothing on the source changes while it is mounted, so the kernel may keep what it was told.
constexpr double kCacheSeconds = 365.0 * 24 * 3600;
constexpr unsigned kLargestRead = 1 << 20;
constexpr unsigned kFolderBlockSize = 4096;

// What the session serves, what the kernel agreed to when it started, and the files it has open:
// a file still open when the file system is unmounted never gets its release, so the session
// owns them.
struct Served {
  explicit Served(const MountedVolume& served) : volume(served) {}

  const MountedVolume& volume;
  bool foldersNeedNoOpening = false;
  // Listings hand the kernel every folder's attributes, a file's only once something has looked
  // a file up: the kernel builds an inode for each entry it is given, which a walk that reads no
  // file's attributes (find) pays for a million times; one that does (du, ls -l, cp) would
  // otherwise ask for them a request per file.
  std::atomic<bool> filesLookedUp = false;
  std::mutex openMutex;
  std::unordered_map<std::uint64_t, std::unique_ptr<volume::FileDataLayout>> open;

  std::uint64_t Opened(volume::FileDataLayout layout) {
    auto owned = std::make_unique<volume::FileDataLayout>(std::move(layout));
    const auto handle = reinterpret_cast<std::uint64_t>(owned.get());
    const std::lock_guard lock(openMutex);
    open.emplace(handle, std::move(owned));
    return handle;
  }
  void Closed(std::uint64_t handle) {
    const std::lock_guard lock(openMutex);
    open.erase(handle);
  }
};

Served& ServedBy(fuse_req_t req) {
  return *static_cast<Served*>(fuse_req_userdata(req));
}
const MountedVolume& VolumeOf(fuse_req_t req) {
  return ServedBy(req).volume;
}

// Inode numbers are node numbers plus one: the kernel names the top folder 1.
NodeId NodeOf(fuse_ino_t ino) {
  return static_cast<NodeId>(ino - FUSE_ROOT_ID);
}
fuse_ino_t InodeOf(NodeId id) {
  return id + FUSE_ROOT_ID;
}
bool Exists(const MountedVolume& volume, fuse_ino_t ino) {
  return ino >= FUSE_ROOT_ID && NodeOf(ino) < volume.Tree().NodeCount();
}

struct stat Attributes(const MountedVolume& volume, NodeId id) {
  const MountNode& node = volume.Tree().Node(id);
  struct stat attributes {};
  attributes.st_ino = InodeOf(id);
  attributes.st_mode = node.folder ? S_IFDIR | 0555 : S_IFREG | 0444;
  attributes.st_nlink = node.folder ? 2 + node.folderCount : 1;
  attributes.st_size = static_cast<off_t>(node.size);
  attributes.st_blocks = static_cast<blkcnt_t>((node.size + 511) / 512);
  // Copying tools read a file in pieces of its block size. A folder's stays a disk's: the C
  // library sizes its listing buffer by it, and the kernel sets aside a buffer as large as the one
  // it is asked to fill for every listing request; at a mebibyte that costs more than the listing.
  attributes.st_blksize = node.folder ? kFolderBlockSize : kLargestRead;
  static const uid_t owner = getuid();  // the one who mounts owns every entry
  static const gid_t group = getgid();
  attributes.st_uid = owner;
  attributes.st_gid = group;
  attributes.st_atim = attributes.st_mtim = attributes.st_ctim = {volume.ScanTime(), 0};
  return attributes;
}

fuse_entry_param Entry(const MountedVolume& volume, NodeId id) {
  fuse_entry_param entry{};
  entry.ino = InodeOf(id);
  entry.attr = Attributes(volume, id);
  entry.attr_timeout = entry.entry_timeout = kCacheSeconds;
  return entry;
}

void Init(void* served, fuse_conn_info* connection) {
  connection->max_read = kLargestRead;
  connection->max_readahead = kLargestRead;
  // Every listing carries the attributes: in its "auto" mode the kernel lists the later pages of
  // a large folder without them and then looks up each entry on its own, a request per entry.
  connection->want &= ~FUSE_CAP_READDIRPLUS_AUTO;
  if (connection->capable & FUSE_CAP_PARALLEL_DIROPS) connection->want |= FUSE_CAP_PARALLEL_DIROPS;
  if (connection->capable & FUSE_CAP_NO_OPENDIR_SUPPORT) {
    connection->want |= FUSE_CAP_NO_OPENDIR_SUPPORT;
    static_cast<Served*>(served)->foldersNeedNoOpening = true;
  }
}

// A name that is not there is remembered as long as one that is.
void Lookup(fuse_req_t req, fuse_ino_t parent, const char* name) {
  const MountedVolume& volume = VolumeOf(req);
  if (!Exists(volume, parent)) return void(fuse_reply_err(req, ENOENT));
  const auto found = volume.Tree().Lookup(NodeOf(parent), name);
  fuse_entry_param entry{};
  entry.entry_timeout = kCacheSeconds;
  if (found) entry = Entry(volume, *found);
  if (found && !volume.Tree().Node(*found).folder)
    ServedBy(req).filesLookedUp.store(true, std::memory_order_relaxed);
  fuse_reply_entry(req, &entry);
}

void GetAttributes(fuse_req_t req, fuse_ino_t ino, fuse_file_info*) {
  const MountedVolume& volume = VolumeOf(req);
  if (!Exists(volume, ino)) return void(fuse_reply_err(req, ENOENT));
  const struct stat attributes = Attributes(volume, NodeOf(ino));
  fuse_reply_attr(req, &attributes, kCacheSeconds);
}

// Folders need no opening where the kernel allows it: refused as not implemented, the kernel
// stops asking, and a listing costs two requests instead of four (find over a million files
// waits on each). The kernel then keeps listings and pages as it would have been asked to.
void OpenFolder(fuse_req_t req, fuse_ino_t, fuse_file_info* info) {
  if (ServedBy(req).foldersNeedNoOpening) return void(fuse_reply_err(req, ENOSYS));
  fuse_reply_open(req, info);
}

// One reply of a folder listing from `offset`: ".", "..", then the entries; each entry's offset
// is the position after it. With `plus` an entry carries its attributes too, a file's only once
// files are being looked up; an entry without them has node 0, which the kernel passes over.
void ListFolder(fuse_req_t req, fuse_ino_t ino, std::size_t size, off_t offset, bool plus) {
  const MountedVolume& volume = VolumeOf(req);
  const bool withFiles = ServedBy(req).filesLookedUp.load(std::memory_order_relaxed);
  const NodeId folder = NodeOf(ino);
  const MountNode& node = volume.Tree().Node(folder);
  std::vector<char> buffer(size);
  std::size_t used = 0;
  for (std::uint64_t at = static_cast<std::uint64_t>(offset); at < 2ull + node.childCount; ++at) {
    const NodeId id = at == 0 ? folder : at == 1 ? node.parent : node.firstChild + NodeId(at - 2);
    const char* name = at == 0 ? "." : at == 1 ? ".." : volume.Tree().Node(id).name.c_str();
    fuse_entry_param entry = Entry(volume, id);
    if (!withFiles && !volume.Tree().Node(id).folder) entry.ino = 0;
    const auto next = static_cast<off_t>(at + 1);
    const std::size_t needed =
        plus ? fuse_add_direntry_plus(req, buffer.data() + used, size - used, name, &entry, next)
             : fuse_add_direntry(req, buffer.data() + used, size - used, name, &entry.attr, next);
    if (needed > size - used) break;
    used += needed;
  }
  fuse_reply_buf(req, buffer.data(), used);
}

void ReadFolder(fuse_req_t req, fuse_ino_t ino, std::size_t size, off_t offset, fuse_file_info*) {
  ListFolder(req, ino, size, offset, false);
}

void ReadFolderPlus(fuse_req_t req, fuse_ino_t ino, std::size_t size, off_t offset,
                    fuse_file_info*) {
  ListFolder(req, ino, size, offset, true);
}

// An open file keeps where its bytes lie; the kernel keeps its pages from one open to the next.
void Open(fuse_req_t req, fuse_ino_t ino, fuse_file_info* info) {
  const MountedVolume& volume = VolumeOf(req);
  if (!Exists(volume, ino)) return void(fuse_reply_err(req, ENOENT));
  if (volume.Tree().Node(NodeOf(ino)).folder) return void(fuse_reply_err(req, EISDIR));
  if ((info->flags & O_ACCMODE) != O_RDONLY || (info->flags & O_TRUNC))
    return void(fuse_reply_err(req, EROFS));
  info->fh = ServedBy(req).Opened(volume.Layout(NodeOf(ino)));
  info->keep_cache = 1;
  info->noflush = 1;  // nothing is ever written, so closing never has to wait for the server
  if (fuse_reply_open(req, info) != 0) ServedBy(req).Closed(info->fh);
}

void Read(fuse_req_t req, fuse_ino_t ino, std::size_t size, off_t offset, fuse_file_info* info) {
  thread_local disk::ReadBuffer buffer(kLargestRead);
  if (buffer.size() < size) buffer = disk::ReadBuffer(size);
  const auto* layout = reinterpret_cast<const volume::FileDataLayout*>(info->fh);
  const mount::MountRead read = VolumeOf(req).Read(
      NodeOf(ino), *layout, static_cast<std::uint64_t>(offset), buffer.span().first(size));
  if (read.error != 0) return void(fuse_reply_err(req, read.error));
  fuse_reply_buf(req, reinterpret_cast<const char*>(buffer.data()), read.bytes);
}

void Release(fuse_req_t req, fuse_ino_t, fuse_file_info* info) {
  ServedBy(req).Closed(info->fh);
  fuse_reply_err(req, 0);
}

void FileSystemStatistics(fuse_req_t req, fuse_ino_t) {
  const mount::MountTree& tree = VolumeOf(req).Tree();
  struct statvfs statistics {};
  statistics.f_bsize = statistics.f_frsize = 4096;
  for (NodeId id = 0; id < tree.NodeCount(); ++id)
    statistics.f_blocks += (tree.Node(id).size + 4095) / 4096;
  statistics.f_files = tree.NodeCount();
  statistics.f_namemax = 255;
  statistics.f_flag = ST_RDONLY;
  fuse_reply_statfs(req, &statistics);
}

// Every operation that would change something, whatever its parameters.
constexpr auto kRefuse = [](fuse_req_t req, auto...) { fuse_reply_err(req, EROFS); };

fuse_lowlevel_ops Operations() {
  fuse_lowlevel_ops operations{};
  operations.init = Init;
  operations.lookup = Lookup;
  operations.getattr = GetAttributes;
  operations.opendir = OpenFolder;
  operations.readdir = ReadFolder;
  operations.readdirplus = ReadFolderPlus;
  operations.open = Open;
  operations.read = Read;
  operations.release = Release;
  operations.statfs = FileSystemStatistics;
  operations.setattr = kRefuse;
  operations.mknod = kRefuse;
  operations.mkdir = kRefuse;
  operations.unlink = kRefuse;
  operations.rmdir = kRefuse;
  operations.symlink = kRefuse;
  operations.rename = kRefuse;
  operations.link = kRefuse;
  operations.write = kRefuse;
  operations.create = kRefuse;
  operations.setxattr = kRefuse;
  operations.removexattr = kRefuse;
  operations.fallocate = kRefuse;
  operations.copy_file_range = kRefuse;
  return operations;
}

// The kernel refuses every change to a read-only mount before it reaches the server, and checks
// the modes itself; the server refuses them too.
std::vector<std::string> MountArguments(const ServeOptions& options) {
  std::string mountOptions = "ro,default_permissions,fsname=kestrel-nss,subtype=kestrel-nss";
  mountOptions += ",max_read=" + std::to_string(kLargestRead);
  if (options.allowOther) mountOptions += ",allow_other";
  return {"kestrel-nss-cli", "-o", mountOptions};
}

// fuse_session_new copies the arguments it adds to into memory of its own.
struct ArgumentsEnd {
  void operator()(fuse_args* args) const { fuse_opt_free_args(args); }
};

struct SessionEnd {
  void operator()(fuse_session* session) const {
    fuse_remove_signal_handlers(session);
    fuse_session_destroy(session);
  }
};

}  // namespace

int ServeReadOnly(const MountedVolume& volume, const ServeOptions& options) {
  std::vector<std::string> arguments = MountArguments(options);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  fuse_args args = FUSE_ARGS_INIT(static_cast<int>(argv.size()), argv.data());
  const std::unique_ptr<fuse_args, ArgumentsEnd> argumentsEnd(&args);
  const fuse_lowlevel_ops operations = Operations();
  Served served(volume);
  const std::unique_ptr<fuse_session, SessionEnd> session(
      fuse_session_new(&args, &operations, sizeof operations, &served));
  if (!session) return Fail("the FUSE session cannot be set up");
  if (fuse_set_signal_handlers(session.get()) != 0) return Fail("signals cannot be handled");
  if (fuse_session_mount(session.get(), options.mountPoint.c_str()) != 0)
    return Fail("cannot mount at " + options.mountPoint +
                " (is it an empty folder, and /dev/fuse there to open?)");
  fuse_daemonize(options.foreground);
  fuse_loop_config* loop = fuse_loop_cfg_create();
  const int status = fuse_session_loop_mt(session.get(), loop);
  fuse_loop_cfg_destroy(loop);
  fuse_session_unmount(session.get());
  return status >= 0 ? kSuccess : kFailure;  // unmounted, or ended by a signal; else -errno
}

}  // namespace kestrel::cli
