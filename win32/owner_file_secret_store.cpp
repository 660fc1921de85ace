#include "win32/owner_file_secret_store.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <memory>
#include <optional>
#include <vector>

#include "win32/utf16.h"

namespace pelmora {

namespace {

constexpr DWORD kMaxSecret = 64 * 1024;

struct CloseFile {
    void operator()(HANDLE file) const { CloseHandle(file); }
};
using File = std::unique_ptr<void, CloseFile>;

struct FreeLocal {
    void operator()(void* memory) const { LocalFree(memory); }
};

// This process's user, as the bytes of its SID.
std::vector<unsigned char> current_user() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    File owned(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return {};
    PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    const auto* bytes = static_cast<const unsigned char*>(sid);
    return std::vector<unsigned char>(bytes, bytes + GetLengthSid(sid));
}

bool is_well_known(PSID sid, WELL_KNOWN_SID_TYPE type) { return IsWellKnownSid(sid, type) != FALSE; }

// Whether an access list grants anyone but `user`, the system and the
// administrators any right at all (one who may change the list or the owner
// can grant themselves reading); a missing list lets everyone.
bool others_hold_rights(const ACL* list, PSID user) {
    if (list == nullptr) return true;
    for (DWORD i = 0; i < list->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(const_cast<ACL*>(list), i, &entry)) return true;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType == ACCESS_DENIED_ACE_TYPE || header->AceType == SYSTEM_AUDIT_ACE_TYPE) continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) return true;  // object or callback grants: not told apart
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        if (allowed->Mask == 0) continue;
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        if (EqualSid(sid, user) || is_well_known(sid, WinLocalSystemSid) ||
            is_well_known(sid, WinBuiltinAdministratorsSid))
            continue;
        return true;
    }
    return false;
}

// Why an open secret file may not be used, or nothing.
std::optional<std::string> refusal(HANDLE file, const std::string& path) {
    BY_HANDLE_FILE_INFORMATION facts{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &facts) ||
        (facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return path + ": not a plain file; it is not used";
    std::vector<unsigned char> user = current_user();
    PSID owner = nullptr;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (user.empty() ||
        GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &list, nullptr, &descriptor) != ERROR_SUCCESS ||
        descriptor == nullptr)
        return path + ": who may read it cannot be told, so it is not used";
    const std::unique_ptr<void, FreeLocal> held(descriptor);
    if (owner == nullptr || !EqualSid(owner, user.data()))
        return path + ": it belongs to another user, so it is not used. Replace it with a file of your own";
    if (GrantsOthersAnyRight(descriptor, user.data()))
        return path + ": other users can read it, so it is not used. Make it yours alone with: icacls \"" + path +
               "\" /inheritance:r /grant:r \"%USERNAME%:F\"";
    return std::nullopt;
}

std::wstring folder_of(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

void make_folders(const std::wstring& folder) {
    if (folder.empty() || GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    make_folders(folder_of(folder));
    CreateDirectoryW(folder.c_str(), nullptr);
}

// A protected access list granting `user` alone, as a security descriptor.
std::unique_ptr<void, FreeLocal> owner_only(const std::vector<unsigned char>& user) {
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(const_cast<unsigned char*>(user.data()), &text)) return nullptr;
    const std::unique_ptr<void, FreeLocal> held_text(text);
    const std::wstring sddl = L"O:" + std::wstring(text) + L"D:P(A;;FA;;;" + text + L")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return nullptr;
    return std::unique_ptr<void, FreeLocal>(descriptor);
}

}  // namespace

bool GrantsOthersAnyRight(void* descriptor, void* user) {
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL list = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted)) return true;
    return others_hold_rights(present ? list : nullptr, user);
}

SecretRead OwnerFileSecretStore::Get(const std::string&) {
    SecretRead read;
    File file(CreateFileW(Utf16(m_path).c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        (void)file.release();
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            read.status = SecretRead::Status::Missing;
        } else {
            read.status = SecretRead::Status::Refused;
            read.message = m_path + ": cannot be read (error " + std::to_string(error) + ")";
        }
        return read;
    }
    if (std::optional<std::string> why = refusal(file.get(), m_path)) {
        read.status = SecretRead::Status::Refused;
        read.message = std::move(*why);
        return read;
    }
    std::string value(kMaxSecret + 1, '\0');
    DWORD got = 0;
    if (!ReadFile(file.get(), value.data(), kMaxSecret + 1, &got, nullptr) || got > kMaxSecret) {
        read.status = SecretRead::Status::Refused;
        read.message = m_path + (got > kMaxSecret ? ": too large to be a token" : ": cannot be read");
        return read;
    }
    value.resize(got);
    read.status = SecretRead::Status::Found;
    read.value = std::move(value);
    return read;
}

bool OwnerFileSecretStore::Set(const std::string&, const std::string& value) {
    const std::wstring path = Utf16(m_path);
    make_folders(folder_of(path));
    const std::unique_ptr<void, FreeLocal> descriptor = owner_only(current_user());
    if (!descriptor) return false;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    const std::wstring temporary = path + L".new";
    File file(
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        (void)file.release();
        return false;
    }
    DWORD written = 0;
    const bool whole = WriteFile(file.get(), value.data(), static_cast<DWORD>(value.size()), &written, nullptr) &&
                       written == value.size() && FlushFileBuffers(file.get());
    file.reset();
    if (!whole || !MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

bool OwnerFileSecretStore::Erase(const std::string&) {
    return DeleteFileW(Utf16(m_path).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
           GetLastError() == ERROR_PATH_NOT_FOUND;
}

}  // namespace pelmora
