#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "platform/failure.h"
#include "platform/iso_regional_format.h"
#include "platform/memory_controls_view.h"
#include "platform/posix_file_system.h"
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

TEST(ErrorLogFile, UnwritableLogIsAFailure) {
    PosixFileSystem files;
    IsoRegionalFormat format;
    ErrorLog log(files, format, "/proc/QuillonError.log");
    EXPECT_THROW(log.LogError("6", "2975", ".Epoch2Date", "Overflow"), Failure);
}

}  // namespace
}  // namespace pelmora
