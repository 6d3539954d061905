#include "platform/core/documents.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <set>
#include <utility>

#include "platform/core/file.h"

namespace tb::platform {

namespace {

constexpr const char* kDocumentsVariable = "XDG_DOCUMENTS_DIR";
constexpr uint64_t kMaxUserDirsBytes = 64 * 1024;
// Longer paths cannot be handed to the system calls.
constexpr size_t kMaxPathBytes = PATH_MAX - 1;

std::mutex g_placesMutex;
std::optional<DocumentPlaces> g_placesOverride;

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  passwd pw{};
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &pw, buffer, sizeof(buffer), &found) == 0 && found != nullptr && found->pw_dir != nullptr &&
      found->pw_dir[0] == '/') {
    return found->pw_dir;
  }
  return {};
}

std::string UserDirsFileText() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string config;
  if (xdg != nullptr && xdg[0] == '/') {
    config = xdg;
  } else {
    const std::string home = HomeFolder();
    if (home.empty()) return {};
    config = home + "/.config";
  }
  std::string text;
  if (!ReadWholeFile(config + "/user-dirs.dirs", &text, kMaxUserDirsBytes)) return {};
  return text;
}

// A value as user-dirs.dirs writes it: "$HOME/Documents" or "/abs/path",
// without its quotes. Empty when it is neither.
std::string ExpandFolderValue(std::string_view value, std::string_view home) {
  constexpr std::string_view kHome = "$HOME";
  std::string path;
  if (value.substr(0, kHome.size()) == kHome && (value.size() == kHome.size() || value[kHome.size()] == '/')) {
    if (home.empty()) return {};
    path = std::string(home) + std::string(value.substr(kHome.size()));
  } else if (!value.empty() && value[0] == '/') {
    path = std::string(value);
  } else {
    return {};
  }
  return WithoutTrailingSeparators(std::move(path));
}

// The last XDG_DOCUMENTS_DIR="..." line of the file's text, unquoted.
std::optional<std::string> DocumentsLine(std::string_view text) {
  constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
  std::optional<std::string> found;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) continue;
    line.remove_prefix(first);
    if (line.substr(0, kKey.size()) != kKey) continue;
    line.remove_prefix(kKey.size());
    if (line.empty() || line[0] != '"') continue;
    std::string value;
    bool closed = false;
    for (size_t i = 1; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        value.push_back(line[++i]);
      } else if (line[i] == '"') {
        closed = true;
        break;
      } else {
        value.push_back(line[i]);
      }
    }
    if (closed) found = std::move(value);
  }
  return found;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

DocumentPlaces MachinePlaces() {
  DocumentPlaces places;
  places.documents = DocumentsFolderFrom(HomeFolder(), std::getenv(kDocumentsVariable), UserDirsFileText());
  const char* cards = std::getenv(kStorageCardsVariable);
  if (cards != nullptr) {
    for (std::string& card : ParseStorageCardList(cards))
      if (IsFolder(card)) places.storageCards.push_back(std::move(card));
  }
  return places;
}

bool HasExtension(std::string_view name, const std::string& extension) {
  if (name.size() < extension.size() + 1) return false;
  const size_t dot = name.size() - extension.size() - 1;
  if (name[dot] != '.') return false;
  for (size_t i = 0; i < extension.size(); ++i) {
    char a = name[dot + 1 + i], b = extension[i];
    if (a >= 'A' && a <= 'Z') a = char(a + 32);
    if (b >= 'A' && b <= 'Z') b = char(b + 32);
    if (a != b) return false;
  }
  return true;
}

struct Hit {
  size_t extension;
  std::string path;
};

class Search {
 public:
  Search(const std::vector<std::string>& extensions, const SearchLimits& limits)
      : extensions_(extensions), limits_(limits) {}

  void Walk(const std::string& folder, int depth) {
    if (depth > limits_.maxDepth || foldersRead_ >= limits_.maxFolders || Full()) return;
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
    // Each folder is read once: a link back up the tree, or two links to
    // the same folder, end here.
    if (!seen_.insert({uint64_t(st.st_dev), uint64_t(st.st_ino)}).second) return;
    ++foldersRead_;

    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
      while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        names.emplace_back(name);
      }
      ::closedir(dir);
    }
    std::sort(names.begin(), names.end());

    const std::string prefix = folder == "/" ? folder : folder + "/";
    std::vector<std::string> subfolders;
    for (const std::string& name : names) {
      if (prefix.size() + name.size() > kMaxPathBytes) continue;
      std::string path = prefix + name;
      struct stat entry {};
      if (::stat(path.c_str(), &entry) != 0) continue;  // dangling link, or gone meanwhile
      if (S_ISDIR(entry.st_mode)) {
        if (name[0] != '.') subfolders.push_back(std::move(path));
        continue;
      }
      if (!S_ISREG(entry.st_mode)) continue;
      for (size_t e = 0; e < extensions_.size(); ++e) {
        if (!HasExtension(name, extensions_[e])) continue;
        if (Full()) return;
        hits_.push_back({e, std::move(path)});
        break;
      }
    }
    for (const std::string& sub : subfolders) Walk(sub, depth + 1);
  }

  std::vector<Hit>& Hits() { return hits_; }

 private:
  bool Full() const { return hits_.size() >= limits_.maxFiles; }

  const std::vector<std::string>& extensions_;
  const SearchLimits& limits_;
  std::set<std::pair<uint64_t, uint64_t>> seen_;
  size_t foldersRead_ = 0;
  std::vector<Hit> hits_;
};

std::vector<Hit> SearchPlace(const std::string& root, const std::vector<std::string>& extensions,
                             const SearchLimits& limits) {
  if (root.empty() || root[0] != '/' || extensions.empty()) return {};
  Search search(extensions, limits);
  search.Walk(WithoutTrailingSeparators(root), 0);
  return std::move(search.Hits());
}

}  // namespace

std::string DocumentsFolderFrom(std::string_view home, const char* environmentValue, std::string_view userDirsText) {
  if (environmentValue != nullptr) {
    std::string folder = ExpandFolderValue(environmentValue, home);
    if (!folder.empty()) return folder;
  }
  if (std::optional<std::string> line = DocumentsLine(userDirsText)) {
    std::string folder = ExpandFolderValue(*line, home);
    if (!folder.empty()) return folder;
  }
  if (home.empty()) return {};
  return WithoutTrailingSeparators(std::string(home)) + "/Documents";
}

std::vector<std::string> ParseStorageCardList(std::string_view list) {
  std::vector<std::string> cards;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(':', start);
    if (end == std::string_view::npos) end = list.size();
    std::string_view piece = list.substr(start, end - start);
    start = end + 1;
    if (piece.empty() || piece[0] != '/' || piece.size() > kMaxPathBytes) continue;
    std::string card = WithoutTrailingSeparators(std::string(piece));
    if (std::find(cards.begin(), cards.end(), card) == cards.end()) cards.push_back(std::move(card));
  }
  return cards;
}

std::string StorageCardDocumentsFolder(std::string_view card, std::string_view documents) {
  std::string_view name = documents;
  while (name.size() > 1 && name.back() == '/') name.remove_suffix(1);
  const size_t slash = name.rfind('/');
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  if (name.empty()) name = "Documents";
  std::string folder = WithoutTrailingSeparators(std::string(card));
  if (folder != "/") folder.push_back('/');
  return folder + std::string(name);
}

DocumentPlaces CurrentDocumentPlaces() {
  {
    std::lock_guard lock(g_placesMutex);
    if (g_placesOverride) return *g_placesOverride;
  }
  return MachinePlaces();
}

ScopedDocumentPlaces::ScopedDocumentPlaces(DocumentPlaces places) {
  std::lock_guard lock(g_placesMutex);
  hadPrevious_ = g_placesOverride.has_value();
  if (hadPrevious_) previous_ = std::move(*g_placesOverride);
  g_placesOverride = std::move(places);
}

ScopedDocumentPlaces::~ScopedDocumentPlaces() {
  std::lock_guard lock(g_placesMutex);
  if (hadPrevious_) g_placesOverride = std::move(previous_);
  else g_placesOverride.reset();
}

std::vector<std::string> FindFiles(const std::string& root, const std::vector<std::string>& extensions,
                                   const SearchLimits& limits) {
  std::vector<std::string> paths;
  for (Hit& hit : SearchPlace(root, extensions, limits)) paths.push_back(std::move(hit.path));
  return paths;
}

std::vector<std::string> FindDocuments(const std::vector<std::string>& extensions, const SearchLimits& limits) {
  const DocumentPlaces places = CurrentDocumentPlaces();
  std::vector<std::string> roots;
  if (!places.documents.empty()) roots.push_back(places.documents);
  roots.insert(roots.end(), places.storageCards.begin(), places.storageCards.end());

  std::vector<std::vector<Hit>> found;
  for (const std::string& root : roots) found.push_back(SearchPlace(root, extensions, limits));
  std::vector<std::string> paths;
  for (size_t e = 0; e < extensions.size(); ++e)
    for (std::vector<Hit>& hits : found)
      for (Hit& hit : hits)
        if (hit.extension == e) paths.push_back(std::move(hit.path));
  return paths;
}

PathState ProbePath(const std::string& path) {
  if (path.empty() || path.size() > kMaxPathBytes) return PathState::Unusable;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) return PathState::Present;
  return errno == ENOENT ? PathState::Missing : PathState::Unusable;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsWritable(const std::string& path) { return ::access(path.c_str(), W_OK) == 0; }

bool IdentityOf(const std::string& path, FileIdentity* out) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  out->device = uint64_t(st.st_dev);
  out->inode = uint64_t(st.st_ino);
  return true;
}

bool EnsureFolder(const std::string& path) {
  if (path.empty() || path.size() > kMaxPathBytes) return false;
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  return IsFolder(path);
}

}  // namespace tb::platform
