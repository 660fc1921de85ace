#include "win32/credential_secret_store.h"

// clang-format off
#include <windows.h>
#include <wincred.h>
// clang-format on

#include "win32/utf16.h"

namespace pelmora {

SecretRead CredentialSecretStore::Get(const std::string& key) {
    PCREDENTIALW found = nullptr;
    if (!CredReadW(Utf16(target(key)).c_str(), CRED_TYPE_GENERIC, 0, &found)) {
        if (GetLastError() == ERROR_NOT_FOUND) return {SecretRead::Status::Missing, {}, {}};
        return {SecretRead::Status::Unavailable, {}, "the Credential Manager did not answer"};
    }
    SecretRead read;
    if (found->CredentialBlobSize > kLongestValue) {
        read = {SecretRead::Status::Refused, {}, "the stored token is larger than a token can be"};
    } else {
        read = {SecretRead::Status::Found,
                std::string(reinterpret_cast<const char*>(found->CredentialBlob), found->CredentialBlobSize),
                {}};
    }
    CredFree(found);
    return read;
}

bool CredentialSecretStore::Set(const std::string& key, const std::string& value) {
    if (value.size() > kLongestValue) return false;
    std::wstring name = Utf16(target(key));
    std::wstring user = Utf16(key);
    std::string blob = value;
    CREDENTIALW credential{};
    credential.Type = CRED_TYPE_GENERIC;
    credential.TargetName = name.data();
    credential.UserName = user.data();
    credential.CredentialBlobSize = static_cast<DWORD>(blob.size());
    credential.CredentialBlob = reinterpret_cast<LPBYTE>(blob.data());
    credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
    const bool written = CredWriteW(&credential, 0) != FALSE;
    SecureZeroMemory(blob.data(), blob.size());
    return written;
}

bool CredentialSecretStore::Erase(const std::string& key) {
    return CredDeleteW(Utf16(target(key)).c_str(), CRED_TYPE_GENERIC, 0) != FALSE || GetLastError() == ERROR_NOT_FOUND;
}

}  // namespace pelmora
