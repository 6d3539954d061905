// The documents folder, the storage cards and the search for documents.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/documents.h"
#include "support/temp_dir.h"

namespace tb::platform {
namespace {

using Paths = std::vector<std::string>;

void Touch(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  out << "x";
  ASSERT_TRUE(out.good()) << path;
}

void Folder(const std::string& path) { ASSERT_EQ(::mkdir(path.c_str(), 0700), 0) << path; }

// Sets an environment variable for one test and puts the old value back.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) previous_ = old;
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  ~ScopedVariable() {
    if (previous_) ::setenv(name_, previous_->c_str(), 1);
    else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

TEST(DocumentsFolder, EnvironmentThenUserDirsThenDocuments) {
  const std::string dirs =
      "# written by xdg-user-dirs-update\n"
      "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
      "  XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Papers\\\"/\"\n";
  struct Case {
    const char* home;
    const char* environment;
    std::string userDirs;
    std::string expected;
  } cases[] = {
      {"/home/u", "$HOME/Env", dirs, "/home/u/Env"},
      {"/home/u", "/srv/docs//", dirs, "/srv/docs"},
      {"/home/u", "relative/docs", dirs, "/home/u/My \"Papers\""},  // ignored value
      {"/home/u", "$HOMEWORK/x", "", "/home/u/Documents"},
      {"/home/u", nullptr, dirs, "/home/u/My \"Papers\""},
      {"/home/u", nullptr, "XDG_DOCUMENTS_DIR=\"/a\"\nXDG_DOCUMENTS_DIR=\"/b\"\n", "/b"},  // the last one
      {"/home/u", nullptr, "XDG_DOCUMENTS_DIR=\"/unclosed\n", "/home/u/Documents"},
      {"/home/u", nullptr, "XDG_DOCUMENTS_DIR=$HOME/unquoted\n", "/home/u/Documents"},
      {"/home/u", nullptr, "", "/home/u/Documents"},
      {"", "$HOME/Env", "", ""},  // no home: no documents folder
      {"", "/abs", "", "/abs"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DocumentsFolderFrom(c.home, c.environment, c.userDirs), c.expected)
        << (c.environment ? c.environment : "(unset)") << " / " << c.userDirs;
}

TEST(StorageCards, ListAndDocumentsFolderOnACard) {
  EXPECT_EQ(ParseStorageCardList("/media/a:/media/b/::relative:/media/a/"), (Paths{"/media/a", "/media/b"}));
  EXPECT_TRUE(ParseStorageCardList("").empty());
  EXPECT_EQ(StorageCardDocumentsFolder("/media/a/", "/home/u/Dokumente"), "/media/a/Dokumente");
  EXPECT_EQ(StorageCardDocumentsFolder("/media/a", "/"), "/media/a/Documents");
}

TEST(DocumentPlaces, MachinePlacesAndTheirOverride) {
  test::TempDir dir;
  const std::string docs = dir.File("docs"), card = dir.File("card");
  Folder(docs);
  Folder(card);
  ScopedVariable documents("XDG_DOCUMENTS_DIR", docs.c_str());
  const std::string cardList = card + ":" + dir.File("no-such-card");
  ScopedVariable cards(kStorageCardsVariable, cardList.c_str());

  DocumentPlaces places = CurrentDocumentPlaces();
  EXPECT_EQ(places.documents, docs);
  EXPECT_EQ(places.storageCards, Paths{card});  // a card that is not there is not present
  {
    ScopedDocumentPlaces outer({"/outer", {"/c1"}});
    {
      ScopedDocumentPlaces inner({"/inner", {}});
      EXPECT_EQ(CurrentDocumentPlaces().documents, "/inner");
    }
    EXPECT_EQ(CurrentDocumentPlaces().storageCards, Paths{"/c1"});
  }
  EXPECT_EQ(CurrentDocumentPlaces().documents, docs);
}

class DocumentSearch : public ::testing::Test {
 protected:
  std::string P(const std::string& relative) const { return dir.File(relative); }
  test::TempDir dir;
};

TEST_F(DocumentSearch, DepthHiddenFoldersTypesAndOrder) {
  for (const char* f : {"a", "a/b", "a/b/c", ".Trash-1000", "folder.tb5"}) Folder(P(f));
  for (const char* f : {"z.tb5", "Upper.TB5", "notes.txt", "x.tb5.bak", ".tb5", "a/one.wal", "a/b/two.tb5",
                        "a/b/c/three.tb5", ".Trash-1000/deleted.tb5", "folder.tb5/inside.tb5"})
    Touch(P(f));
  ASSERT_EQ(::mkfifo(P("pipe.tb5").c_str(), 0600), 0);
  ASSERT_EQ(::symlink(P("missing.tb5").c_str(), P("dangling.tb5").c_str()), 0);
  ASSERT_EQ(::symlink(P("z.tb5").c_str(), P("link.tb5").c_str()), 0);

  SearchLimits limits;
  limits.maxDepth = 2;
  // Files of a folder before its subfolders, names in byte order; the
  // third level down is not read.
  EXPECT_EQ(FindFiles(dir.Path(), {"tb5", "wal"}, limits),
            (Paths{P(".tb5"), P("Upper.TB5"), P("link.tb5"), P("z.tb5"), P("a/one.wal"), P("a/b/two.tb5"),
                   P("folder.tb5/inside.tb5")}));
  limits.maxDepth = 8;
  limits.maxFiles = 2;
  EXPECT_EQ(FindFiles(dir.Path() + "/", {"wal", "tb5"}, limits).size(), 2u);
  EXPECT_TRUE(FindFiles("relative", {"tb5"}).empty());
  EXPECT_TRUE(FindFiles(P("no-such-folder"), {"tb5"}).empty());
}

TEST_F(DocumentSearch, LinkLoopsEndAndEveryFolderIsReadOnce) {
  Folder(P("a"));
  Touch(P("a/w.tb5"));
  ASSERT_EQ(::symlink(dir.Path().c_str(), P("a/up").c_str()), 0);  // back to the top
  ASSERT_EQ(::symlink(P("a").c_str(), P("again").c_str()), 0);     // a second way into a
  ASSERT_EQ(::symlink(P("loop").c_str(), P("loop").c_str()), 0);   // a link to itself
  EXPECT_EQ(FindFiles(dir.Path(), {"tb5"}), Paths{P("a/w.tb5")});
}

TEST_F(DocumentSearch, HostileNamesKeepTheirBytes) {
  const std::string odd = P(std::string("line\nbreak \xff\xfe.tb5"));
  Touch(odd);
  Touch(P("-rf .tb5"));
  EXPECT_EQ(FindFiles(dir.Path(), {"tb5"}), (Paths{P("-rf .tb5"), odd}));
}

TEST_F(DocumentSearch, EveryPlaceForEachExtensionInTurn) {
  for (const char* f : {"docs", "card1", "card2"}) Folder(P(f));
  for (const char* f : {"docs/d.tb5", "docs/d.wal", "card1/c1.tb5", "card2/c2.wal", "card2/c2.tb5"}) Touch(P(f));
  ScopedDocumentPlaces places({P("docs"), {P("card1"), P("card2")}});
  EXPECT_EQ(FindDocuments({"wal", "tb5"}),
            (Paths{P("docs/d.wal"), P("card2/c2.wal"), P("docs/d.tb5"), P("card1/c1.tb5"), P("card2/c2.tb5")}));
}

TEST_F(DocumentSearch, ProbingAndFolders) {
  Touch(P("f"));
  ASSERT_EQ(::mkfifo(P("pipe").c_str(), 0600), 0);
  ASSERT_EQ(::symlink(P("missing").c_str(), P("dangling").c_str()), 0);
  EXPECT_EQ(ProbePath(P("f")), PathState::Present);
  EXPECT_EQ(ProbePath(P("pipe")), PathState::Present);  // looked at, not opened
  EXPECT_EQ(ProbePath(P("dangling")), PathState::Present);
  EXPECT_EQ(ProbePath(P("missing")), PathState::Missing);
  EXPECT_EQ(ProbePath(P(std::string(300, 'n'))), PathState::Unusable);
  EXPECT_EQ(ProbePath(P("f/below")), PathState::Unusable);
  EXPECT_TRUE(IsRegularFile(P("f")));
  EXPECT_FALSE(IsRegularFile(P("pipe")));

  EXPECT_TRUE(EnsureFolder(P("new")));
  EXPECT_TRUE(EnsureFolder(P("new")));
  EXPECT_FALSE(EnsureFolder(P("f")));
  EXPECT_FALSE(EnsureFolder(P("none/deeper")));
}

}  // namespace
}  // namespace tb::platform
