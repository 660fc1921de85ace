#include "desktop/autostart.h"

#include "platform/failure.h"

namespace pelmora {

namespace {

// A path no desktop entry can carry safely: relative, or with a control
// character that would end or split its line.
bool unsafe(const std::string& path) {
    if (!path.starts_with('/')) return true;
    for (const char c : path) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f) return true;
    }
    return false;
}

// A string value of the entry: backslashes doubled (no other escape can
// occur in a safe path or a program name).
std::string string_value(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') out += '\\';
        out += c;
    }
    return out;
}

// The path as one argument of an Exec line: quoted when it holds anything
// but plain characters, with the characters the quoting reserves escaped
// and "%" doubled; the string value's own escaping then doubles each
// backslash again.
std::string exec_argument(const std::string& path) {
    if (path.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-+") ==
        std::string::npos)
        return path;
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    return string_value(quoted + "\"");
}

// Each line a group header or one key=value, and exactly one Exec line with
// a program after it.
bool well_formed(const std::string& entry) {
    int exec_lines = 0;
    std::size_t start = 0;
    while (start < entry.size()) {
        const std::size_t end = entry.find('\n', start);
        if (end == std::string::npos) return false;
        const std::string line = entry.substr(start, end - start);
        if (unsafe("/" + line)) return false;
        if (!line.starts_with('[') && line.find('=') == std::string::npos) return false;
        if (line.starts_with("Exec=")) exec_lines += line.size() > 5 ? 1 : 2;
        start = end + 1;
    }
    return exec_lines == 1;
}

}  // namespace

std::string AutostartEntry(const std::string& program, const std::string& exec_path, bool tray) {
    if (unsafe(exec_path) || unsafe("/" + program))
        throw Failure(failure_code::BadFileName, "the program's path cannot be written in a desktop entry");
    std::string entry =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=" +
        string_value(program) +
        "\n"
        "Comment=Solar gateway meters in real time\n"
        "TryExec=" +
        string_value(exec_path) +
        "\n"
        "Exec=" +
        exec_argument(exec_path) + (tray ? " --tray" : "") +
        "\n"
        "Icon=org.pelmora.Pelmora\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n";
    if (!well_formed(entry)) throw Failure(failure_code::BadFileName, "the desktop entry would not be well formed");
    return entry;
}

std::string AutostartPath(const std::string& config_home, const std::string& application_id,
                          const std::string& program) {
    const std::string id = program == "Pelmora" ? application_id : application_id + "." + program;
    return config_home + "/autostart/" + id + ".desktop";
}

void SetAutostart(FileSystem& files, const std::string& path, const std::string& entry) {
    if (entry.empty()) {
        files.remove_file(path);
        return;
    }
    files.make_folders(path.substr(0, path.rfind('/')));
    files.replace_file(path, entry);
}

bool AutostartOn(FileSystem& files, const std::string& path) {
    const std::optional<std::string> text = files.read_file(path, std::size_t{64} * 1024);
    return text && text->starts_with("[Desktop Entry]");
}

}  // namespace pelmora
