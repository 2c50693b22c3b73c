// Files written whole: moved into place only when every byte is written,
// never over an existing file unless asked, and nothing left behind.
#include "veltrane/records/atomic_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

using namespace veltrane;

namespace fs = std::filesystem;

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device device;
        folder = fs::temp_directory_path() / ("veltrane-atomic-" + std::to_string(device()));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string path(const std::string& name) const { return (folder / name).string(); }

    // Every name in the folder, hidden ones included.
    std::vector<std::string> names() const
    {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(folder))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }

    static std::string contents(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path folder;
    const std::vector<unsigned char> bytes{'n', 'e', 'w'};
};

TEST_F(AtomicFileTest, AWholeWriteIsMovedIntoPlaceAndNothingElseRemains)
{
    std::string message;
    {
        AtomicFile file(path("out.png"));
        EXPECT_EQ(fs::path(file.temporary()).parent_path(), folder);
        ASSERT_TRUE(file.write(bytes, message)) << message;
        EXPECT_FALSE(fs::exists(path("out.png"))); // not before the move
        ASSERT_TRUE(file.commit(Replace::Refused, message)) << message;
    }
    EXPECT_EQ(contents(path("out.png")), "new");
    EXPECT_EQ(names(), std::vector<std::string>{"out.png"});
}

TEST_F(AtomicFileTest, AnExistingFileStaysUnlessReplacingIsAllowed)
{
    std::string message;
    AtomicFile refused(path("out.png"));
    ASSERT_TRUE(refused.write(bytes, message));
    std::ofstream(path("out.png")) << "old"; // appears while the new one is written
    EXPECT_FALSE(refused.commit(Replace::Refused, message));
    EXPECT_EQ(message, "it exists");
    EXPECT_EQ(contents(path("out.png")), "old");
    refused.abandon();
    EXPECT_EQ(names(), std::vector<std::string>{"out.png"});

    AtomicFile allowed(path("out.png"));
    ASSERT_TRUE(allowed.write(bytes, message));
    ASSERT_TRUE(allowed.commit(Replace::Allowed, message)) << message;
    EXPECT_EQ(contents(path("out.png")), "new");
}

TEST_F(AtomicFileTest, AFailedWriteIsNeverMovedIntoPlace)
{
    std::string message;
    {
        AtomicFile file(path("out.png"));
        // The device that is always full stands where the temporary file goes.
        fs::create_symlink("/dev/full", file.temporary());
        EXPECT_FALSE(file.write(bytes, message));
        EXPECT_NE(message.find("space"), std::string::npos) << message;
    }
    EXPECT_FALSE(fs::exists(path("out.png")));
    EXPECT_TRUE(names().empty()); // the temporary name is gone too

    AtomicFile nowhere(path("no/such/folder/out.png"));
    EXPECT_FALSE(nowhere.write(bytes, message));
    EXPECT_FALSE(nowhere.commit(Replace::Allowed, message));
}

TEST_F(AtomicFileTest, TheFolderCheckSaysWhy)
{
    std::string reason;
    EXPECT_TRUE(folderCanBeWritten(path("out.png"), reason));
    EXPECT_FALSE(folderCanBeWritten(path("missing/out.png"), reason));
    EXPECT_NE(reason.find("does not exist"), std::string::npos) << reason;
    fs::create_directory(folder / "taken");
    EXPECT_FALSE(folderCanBeWritten(path("taken"), reason));
    EXPECT_EQ(reason, "it is a folder");
    EXPECT_FALSE(folderCanBeWritten(path(std::string(256, 'n') + ".png"), reason));
    EXPECT_NE(reason.find("longer than"), std::string::npos) << reason;
    EXPECT_TRUE(names().size() == 1) << "the check leaves no file behind";
}

// The longest name a folder takes can still be written whole: its temporary
// name is shortened to fit.
TEST_F(AtomicFileTest, TheLongestNameHasATemporaryThatFits)
{
    const std::string name = std::string(251, 'r') + ".yml";
    std::string message;
    ASSERT_TRUE(folderCanBeWritten(path(name), message)) << message;
    AtomicFile file(path(name));
    EXPECT_LE(fs::path(file.temporary()).filename().string().size(), 255u);
    EXPECT_EQ(fs::path(file.temporary()).extension(), ".yml");
    ASSERT_TRUE(file.write(bytes, message)) << message;
    ASSERT_TRUE(file.commit(Replace::Refused, message)) << message;
    EXPECT_EQ(contents(path(name)), "new");
}

// Long names that differ only near their end (frames of one pattern) get
// temporaries of their own, each within the longest name a folder takes:
// two writers at once never share a file.
TEST_F(AtomicFileTest, LongNamesThatDifferAtTheEndHaveTheirOwnTemporaries)
{
    const std::string stem(245, 'a');
    std::vector<std::string> temporaries;
    for (const char* frame : {"_1.png", "_2.png", "_10.png"}) {
        AtomicFile file(path(stem + frame));
        EXPECT_LE(fs::path(file.temporary()).filename().string().size(), 255u);
        EXPECT_EQ(fs::path(file.temporary()).extension(), ".png");
        temporaries.push_back(file.temporary());
    }
    std::sort(temporaries.begin(), temporaries.end());
    EXPECT_EQ(std::unique(temporaries.begin(), temporaries.end()), temporaries.end());

    std::string message;
    AtomicFile first(path(stem + "_1.png"));
    AtomicFile second(path(stem + "_2.png"));
    ASSERT_TRUE(first.write({'1'}, message)) << message;
    ASSERT_TRUE(second.write({'2'}, message)) << message;
    ASSERT_TRUE(first.commit(Replace::Refused, message)) << message;
    ASSERT_TRUE(second.commit(Replace::Refused, message)) << message;
    EXPECT_EQ(contents(path(stem + "_1.png")), "1");
    EXPECT_EQ(contents(path(stem + "_2.png")), "2");
}

// A link that leads nowhere is a name taken: a move without replacing keeps
// it, and the check before the work says so.
TEST_F(AtomicFileTest, ALinkToNothingIsANameTaken)
{
    fs::create_symlink(folder / "nowhere", path("out.png"));
    EXPECT_TRUE(nameTaken(path("out.png")));
    EXPECT_FALSE(nameTaken(path("free.png")));
    std::string message;
    AtomicFile file(path("out.png"));
    ASSERT_TRUE(file.write(bytes, message));
    EXPECT_FALSE(file.commit(Replace::Refused, message));
    EXPECT_TRUE(fs::is_symlink(path("out.png")));
}

// What a signal handler calls removes the temporary files being written,
// and only those.
TEST_F(AtomicFileTest, TheTemporariesBeingWrittenAreRemovedOnASignal)
{
    std::string message;
    AtomicFile done(path("done.png"));
    ASSERT_TRUE(done.write(bytes, message));
    ASSERT_TRUE(done.commit(Replace::Refused, message));
    AtomicFile first(path("a.png"));
    AtomicFile second(path("b.mkv"));
    ASSERT_TRUE(first.write(bytes, message));
    std::ofstream(second.temporary()) << "what an encoder wrote";
    EXPECT_EQ(names().size(), 3u);
    removeTemporariesNow();
    EXPECT_EQ(names(), std::vector<std::string>{"done.png"});
}

} // namespace
