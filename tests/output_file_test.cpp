#include <gtest/gtest.h>
#include <fstream>
#include <csignal>
#include <sys/resource.h>

#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "platform/failure.h"
#include "records/iso_regional_format.h"
#include "form/memory_controls_view.h"
#include "posix/posix_file_system.h"
#include "records/error_log.h"
#include "records/output_file.h"
#include "temp_folder.h"

namespace pelmora {
namespace {

class OutputFileTest : public ::testing::Test {
protected:
    test::TempWorkingFolder folder;
    PosixFileSystem files;
    MemoryControlsView view;

    void SetUp() override {
        view.set_value("CreateOutputchk", 1);
        view.set_text("OutFile", "Meters.txt");
    }
    void show(const char* stamp, const char* production, const char* consumption, const char* grid, OleColor color) {
        view.set_text("TimeStamp", stamp);
        view.set_text("Production", production);
        view.set_text("Consumption", consumption);
        view.set_text("Grid", grid);
        view.set_back_color("Grid", color);
    }
};

struct LineFourRow {
    const char* name;
    const char* grid;
    OleColor color;
    const char* line4;
};

class LineFourTest : public OutputFileTest, public ::testing::WithParamInterface<LineFourRow> {};

TEST_P(LineFourTest, SignedFromColour) {
    show("2023-11-14 23:13:20", "2,345.7", "1,345.7", GetParam().grid, GetParam().color);
    Save(view, files);
    EXPECT_EQ(test::ReadFile("Meters.txt"),
              std::string("2023-11-14 23:13:20\r\n2,345.7\r\n1,345.7\r\n") + GetParam().line4 + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Rows, LineFourTest,
                         ::testing::Values(LineFourRow{"green_export", "1,234.5", kExportGreen, "-1234.5 "},
                                           LineFourRow{"light_red_import", "1,234.5", kImportLightRed, "1,234.5"},
                                           LineFourRow{"window_colour_negates", "7.5", kWindowBackground, "-7.5 "},
                                           LineFourRow{"negative_zero", "0.0", kExportGreen, " 0 "},
                                           LineFourRow{"green_negative_text", "-3.0", kExportGreen, " 3 "}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OutputFileTest, UnreachableGatewayFirstCycle) {
    show("Wrong/No IP address", "0", "0", "0", kImportLightRed);
    Save(view, files);
    EXPECT_EQ(test::ReadFile("Meters.txt"), "Wrong/No IP address\r\n0\r\n0\r\n0\r\n");
}

TEST_F(OutputFileTest, SwitchOffLeavesFileUntouchedAndCreatesNone) {
    view.set_value("CreateOutputchk", 0);
    Save(view, files);
    EXPECT_FALSE(std::filesystem::exists("Meters.txt"));
    { std::ofstream("Meters.txt") << "earlier"; }
    Save(view, files);
    EXPECT_EQ(test::ReadFile("Meters.txt"), "earlier");
}

TEST_F(OutputFileTest, GreyStateCountsAsOn) {
    view.set_value("CreateOutputchk", 2);
    Save(view, files);
    EXPECT_TRUE(std::filesystem::exists("Meters.txt"));
}

TEST_F(OutputFileTest, TwoCyclesLeaveOnlyTheSecondReading) {
    show("first", "1.0", "2.0", "3.0", kImportLightRed);
    Save(view, files);
    show("second", "4.0", "5.0", "6.0", kExportGreen);
    Save(view, files);
    EXPECT_EQ(test::ReadFile("Meters.txt"), "second\r\n4.0\r\n5.0\r\n-6 \r\n");
    EXPECT_EQ(folder.file_count(), 1u);
}

struct BadPathRow {
    const char* name;
    const char* path;
};

class BadPathTest : public OutputFileTest, public ::testing::WithParamInterface<BadPathRow> {};

TEST_P(BadPathTest, FailsWithNothingWritten) {
    view.set_text("OutFile", GetParam().path);
    EXPECT_THROW(Save(view, files), Failure);
    EXPECT_EQ(folder.file_count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Rows, BadPathTest,
                         ::testing::Values(BadPathRow{"empty", ""}, BadPathRow{"missing_folder", "nowhere/Meters.txt"},
                                           BadPathRow{"read_only_folder", "/proc/Meters.txt"},
                                           BadPathRow{"folder_itself", "."}),
                         [](const auto& info) { return std::string(info.param.name); });

namespace fs = std::filesystem;
const std::string kLongName(255, 'm');
void write_text(const fs::path& path, const char* text, mode_t mode) {
    { std::ofstream(path) << text; }
    ::chmod(path.c_str(), mode);
}
mode_t mode_of(const fs::path& path) {
    struct stat status {};
    ::stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

// What is at the output path before a Save, and what the Save must leave.
struct OutputPathRow {
    const char* name;
    std::string out_file;
    void (*prepare)();
    bool saved;              // Save succeeds and the reading lands in `written`
    const char* written;     // the file that holds the reading, or is unchanged
    fs::file_type out_type;  // what the output path still is afterwards (not followed)
    mode_t mode;             // the mode of `written` afterwards
};
class OutputPathTest : public OutputFileTest, public ::testing::WithParamInterface<OutputPathRow> {};

TEST_P(OutputPathTest, WritesThroughOrLeavesAlone) {
    const OutputPathRow& row = GetParam();
    const mode_t mask = ::umask(022);
    row.prepare();
    view.set_text("OutFile", row.out_file);
    show("2023-11-14 23:13:20", "2,345.7", "1,345.7", "1,000.0", kImportLightRed);
    if (row.saved) {
        EXPECT_NO_THROW(Save(view, files));
        EXPECT_EQ(test::ReadFile(row.written), "2023-11-14 23:13:20\r\n2,345.7\r\n1,345.7\r\n1,000.0\r\n");
    } else {
        EXPECT_THROW(Save(view, files), Failure);
        if (fs::is_regular_file(row.written)) {
            EXPECT_EQ(test::ReadFile(row.written), "earlier");
        }
    }
    ::umask(mask);
    EXPECT_EQ(fs::symlink_status(row.out_file).type(), row.out_type);
    EXPECT_EQ(mode_of(row.written), row.mode);
    for (const auto& entry : fs::directory_iterator(".")) {
        EXPECT_FALSE(entry.path().filename().string().starts_with(row.out_file + ".")) << "a temporary file is left";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OutputPathTest,
    ::testing::Values(
        OutputPathRow{"new_file_0644", "Meters.txt", [] {}, true, "Meters.txt", fs::file_type::regular, 0644},
        OutputPathRow{"mode_0640_kept", "Meters.txt", [] { write_text("Meters.txt", "earlier", 0640); }, true,
                      "Meters.txt", fs::file_type::regular, 0640},
        OutputPathRow{"link_followed", "Meters.txt",
                      [] {
                          write_text("target.txt", "earlier", 0600);
                          fs::create_symlink("target.txt", "Meters.txt");
                      },
                      true, "target.txt", fs::file_type::symlink, 0600},
        OutputPathRow{"dangling_link_makes_target", "Meters.txt", [] { fs::create_symlink("made.txt", "Meters.txt"); },
                      true, "made.txt", fs::file_type::symlink, 0644},
        OutputPathRow{"read_only_file", "Meters.txt", [] { write_text("Meters.txt", "earlier", 0444); }, false,
                      "Meters.txt", fs::file_type::regular, 0444},
        OutputPathRow{"fifo_never_opened", "Meters.txt", [] { ::mkfifo("Meters.txt", 0600); }, false, "Meters.txt",
                      fs::file_type::fifo, 0600},
        OutputPathRow{"link_to_fifo", "Meters.txt",
                      [] {
                          ::mkfifo("pipe", 0600);
                          fs::create_symlink("pipe", "Meters.txt");
                      },
                      false, "pipe", fs::file_type::symlink, 0600},
        OutputPathRow{"folder", "Meters.txt", [] { fs::create_directory("Meters.txt"); }, false, "Meters.txt",
                      fs::file_type::directory, 0755},
        OutputPathRow{"name_of_255_bytes_in_place", kLongName, [] { write_text(kLongName, "earlier", 0640); }, true,
                      kLongName.c_str(), fs::file_type::regular, 0640}),
    [](const auto& info) { return std::string(info.param.name); });

// A file the user may write in a folder the user may not: written in place.
TEST_F(OutputFileTest, WritableFileInAFolderThatIsNot) {
    fs::create_directory("locked");
    write_text("locked/Meters.txt", "earlier", 0644);
    ::chmod("locked", 0555);
    view.set_text("OutFile", "locked/Meters.txt");
    show("stamp", "1.0", "2.0", "3.0", kImportLightRed);
    Save(view, files);
    ::chmod("locked", 0755);
    EXPECT_EQ(test::ReadFile("locked/Meters.txt"), "stamp\r\n1.0\r\n2.0\r\n3.0\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator("locked"), fs::directory_iterator{}), 1);
}

TEST_F(OutputFileTest, GridTextNotANumberWritesNothing) {
    { std::ofstream("Meters.txt") << "earlier"; }
    show("x", "1.0", "2.0", "n/a", kExportGreen);
    EXPECT_THROW(Save(view, files), Failure);
    EXPECT_EQ(test::ReadFile("Meters.txt"), "earlier");
    EXPECT_EQ(folder.file_count(), 1u);
}

TEST_F(OutputFileTest, ConcurrentReaderNeverSeesPartialFile) {
    show("2023-11-14 23:13:20", "2,345.7", "1,345.7", "1,000.0", kExportGreen);
    Save(view, files);
    std::atomic<bool> done{false};
    std::atomic<int> reads{0};
    std::atomic<int> partial{0};
    std::thread reader([&] {
        while (!done.load() || reads.load() < 200) {
            const std::string content = test::ReadFile(folder.path() / "Meters.txt");
            if (std::count(content.begin(), content.end(), '\n') != 4) ++partial;
            ++reads;
        }
    });
    for (int i = 0; i < 2000; ++i) {
        view.set_text("Production", std::string(static_cast<std::size_t>(i % 50 + 1), '9'));
        Save(view, files);
    }
    done = true;
    reader.join();
    EXPECT_GE(reads.load(), 200);
    EXPECT_EQ(partial.load(), 0);
    EXPECT_EQ(folder.file_count(), 1u);
}

TEST(ErrorLogFile, CreatedInWorkingFolderThenAppended) {
    test::TempWorkingFolder folder;
    PosixFileSystem files;
    IsoRegionalFormat format;
    ErrorLog log(files, format);
    log.LogError("6", "2975", ".Epoch2Date", "Overflow");
    ASSERT_TRUE(std::filesystem::exists(folder.path() / "QuillonError.log"));
    log.LogError("13", "2966", ".Epoch2Date", "");
    const std::string text = test::ReadFile(folder.path() / "QuillonError.log");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
    EXPECT_NE(text.find(" Error #  6,  Overflow\r\n In  .Epoch2Date at line - 2975\r\n Time: "), std::string::npos);
    EXPECT_TRUE(text.ends_with(" Error #  13,  \r\n In  .Epoch2Date at line - 2966\r\n"));
}

// A FIFO with no reader as the log is a failure at once, and stays a FIFO.
TEST(ErrorLogFile, FifoLogNeverBlocks) {
    test::TempWorkingFolder folder;
    ASSERT_EQ(::mkfifo("QuillonError.log", 0600), 0);
    PosixFileSystem files;
    IsoRegionalFormat format;
    ErrorLog log(files, format);
    EXPECT_THROW(log.LogError("6", "2975", ".Epoch2Date", "Overflow"), Failure);
    EXPECT_EQ(std::filesystem::status("QuillonError.log").type(), std::filesystem::file_type::fifo);
}

// A disk that fills during a record leaves no part of it behind.
TEST(ErrorLogFile, AFullDiskLeavesWholeRecordsOnly) {
    test::TempWorkingFolder folder;
    PosixFileSystem files;
    IsoRegionalFormat format;
    ErrorLog log(files, format);
    log.LogError("6", "2975", ".Epoch2Date", "Overflow");
    const std::string whole = test::ReadFile(folder.path() / "QuillonError.log");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = whole.size() + 20;  // room for 20 bytes of the next record
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(log.LogError("13", "2966", ".Epoch2Date", "a message longer than the room left"), Failure);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(test::ReadFile(folder.path() / "QuillonError.log"), whole);
}

// Appends and cuts never go through a link: what it leads to stays as it was.
TEST(AppendFile, NeverThroughALink) {
    test::TempWorkingFolder folder;
    PosixFileSystem files;
    std::ofstream("elsewhere.csv") << "kept\n";
    std::filesystem::create_symlink("elsewhere.csv", "2026-12-08.csv");
    EXPECT_THROW(files.append_file("2026-12-08.csv", "minute\n"), Failure);
    EXPECT_THROW(files.cut_file("2026-12-08.csv", 0), Failure);
    EXPECT_EQ(test::ReadFile(folder.path() / "elsewhere.csv"), "kept\n");
    files.append_file("own.csv", "a\nb");
    files.cut_file("own.csv", 2);
    EXPECT_EQ(test::ReadFile(folder.path() / "own.csv"), "a\n");
}

TEST(ErrorLogFile, UnwritableLogIsAFailure) {
    PosixFileSystem files;
    IsoRegionalFormat format;
    ErrorLog log(files, format, "/proc/QuillonError.log");
    EXPECT_THROW(log.LogError("6", "2975", ".Epoch2Date", "Overflow"), Failure);
}

}  // namespace
}  // namespace pelmora
