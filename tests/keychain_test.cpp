// Runs inside a D-Bus session with an unlocked gnome-keyring (see
// with_keyring.sh), or with no secret service at all for the fallback case.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdlib>

#include "qt/keychain_secret_store.h"

namespace pelmora {
namespace {

TEST(KeychainSecretStore, KeepsASecretInTheDesktopStore) {
    if (std::getenv("PELMORA_EXPECT_KEYRING") == nullptr) GTEST_SKIP() << "run through with_keyring.sh";
    KeychainSecretStore store("Pelmora");
    store.Erase("gateway-token");
    EXPECT_EQ(store.Get("gateway-token").status, SecretRead::Status::Missing);
    ASSERT_TRUE(store.Set("gateway-token", "header.payload.signature"));
    const SecretRead read = store.Get("gateway-token");
    EXPECT_EQ(read.status, SecretRead::Status::Found) << read.message;
    EXPECT_EQ(read.value, "header.payload.signature");
    EXPECT_TRUE(store.Erase("gateway-token"));
    EXPECT_EQ(store.Get("gateway-token").status, SecretRead::Status::Missing);
}

TEST(KeychainSecretStore, AnswersWithinTheWaitWithoutASecretService) {
    if (std::getenv("PELMORA_EXPECT_KEYRING") != nullptr) GTEST_SKIP() << "a secret service is running";
    KeychainSecretStore store("Pelmora");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(store.Get("gateway-token").status, SecretRead::Status::Unavailable);
    EXPECT_FALSE(store.Set("gateway-token", "x"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2 * SecretStore::kSecretStoreWait + std::chrono::seconds(1));
}

}  // namespace
}  // namespace pelmora

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
