#include "records/output_file.h"

#include <cmath>
#include <charconv>

#include "readings/number_text.h"

namespace pelmora {

std::string NumericPrintForm(double value) {
    if (value == 0.0) return " 0 ";
    // Fifteen significant digits, as the general form prints a double.
    char buffer[64];
    auto done = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::general, 15);
    return (value < 0 ? "-" : " ") + std::string(buffer, done.ptr) + " ";
}

std::string OutputFileContent(const ControlsView& view) {
    std::string line4;
    const std::string grid = view.text("Grid");
    if (view.back_color("Grid") == kImportLightRed) {
        line4 = grid;
    } else {
        line4 = NumericPrintForm(-NumberFromText(grid));
    }
    return view.text("TimeStamp") + "\r\n" + view.text("Production") + "\r\n" + view.text("Consumption") + "\r\n" +
           line4 + "\r\n";
}

void Save(const ControlsView& view, FileSystem& files) {
    if (view.value("CreateOutputchk") == 0) return;
    const std::string path = view.text("OutFile");
    const std::string content = OutputFileContent(view);
    files.replace_file(path, content);
}

}  // namespace pelmora
