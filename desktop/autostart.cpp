#include "desktop/autostart.h"

namespace pelmora {

namespace {

// The path as one argument of an Exec line: quoted when it holds anything
// but plain characters, with the characters the quoting reserves escaped.
std::string exec_argument(const std::string& path) {
    if (path.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-+") ==
        std::string::npos)
        return path;
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += "\\\\";
        if (c == '%') quoted += '%';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

std::string AutostartEntry(const std::string& program, const std::string& exec_path, bool tray) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           program +
           "\n"
           "Comment=Solar gateway meters in real time\n"
           "Exec=" +
           exec_argument(exec_path) + (tray ? " --tray" : "") +
           "\n"
           "Icon=org.pelmora.Pelmora\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
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
