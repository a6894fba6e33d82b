// The recorder's password in a real Secret Service: a gnome-keyring-daemon
// with an unlocked login keyring in a private D-Bus session, which
// SecretServiceTest.sh starts (these cases are skipped anywhere else).
// Every entry is read back with secret-tool as well, the keyring's own
// client, to show that it is really in the keyring.
#include "SecretsTestUtil.h"
#include "secrets/Keychain.h"
#include "secrets/RecorderPassword.h"

#include <QCoreApplication>
#include <QProcess>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const std::string Host = "192.0.2.1:23";

class RealSecretService : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::getenv("QM_PRIVATE_SECRET_SERVICE") == nullptr)
            GTEST_SKIP() << "needs the private Secret Service of SecretServiceTest.sh";
    }

    // What secret-tool finds under the recorder's entry for user, or
    // "(none)" when it finds nothing.
    static std::string LookedUp(const std::string& user)
    {
        QProcess tool;
        tool.start(QStringLiteral("secret-tool"),
                   {QStringLiteral("lookup"), QStringLiteral("server"), QString::fromLatin1(RecorderSecretService),
                    QStringLiteral("user"), QString::fromStdString(RecorderPasswordKey(Host, user))});
        if (!tool.waitForFinished(30000))
            return "(secret-tool did not finish)";
        if (tool.exitCode() != 0)
            return "(none)";
        return tool.readAllStandardOutput().toStdString();
    }
};

}  // namespace

TEST_F(RealSecretService, WriteReadOverwriteAndDeleteTheRecorderPassword)
{
    std::string why;
    ASSERT_EQ(WriteRecorderPassword(Host, "admin", "first p\xc3\xa4ssword", why), TSecretResult::srDone) << why;
    EXPECT_EQ(LookedUp("admin"), "first p\xc3\xa4ssword");
    std::string password;
    ASSERT_TRUE(ReadRecorderPassword(Host, "admin", password, why)) << why;
    EXPECT_EQ(password, "first p\xc3\xa4ssword");

    // Another login of the same router is an entry of its own.
    ASSERT_EQ(WriteRecorderPassword(Host, "guest", "guest-4d2b", why), TSecretResult::srDone) << why;
    ASSERT_EQ(WriteRecorderPassword(Host, "admin", "second-9c1e", why), TSecretResult::srDone) << why;
    EXPECT_EQ(LookedUp("admin"), "second-9c1e");
    ASSERT_TRUE(ReadRecorderPassword(Host, "admin", password, why)) << why;
    EXPECT_EQ(password, "second-9c1e");
    ASSERT_TRUE(ReadRecorderPassword(Host, "guest", password, why)) << why;
    EXPECT_EQ(password, "guest-4d2b");

    ASSERT_EQ(DeleteRecorderPassword(Host, "admin", why), TSecretResult::srDone) << why;
    EXPECT_EQ(LookedUp("admin"), "(none)");
    password = "untouched";
    EXPECT_FALSE(ReadRecorderPassword(Host, "admin", password, why));
    EXPECT_EQ(password, "untouched");
    EXPECT_EQ(why,
              "the Secret Service holds no password under recorder/admin@192.0.2.1:23 (service quillmont-monitor)");
    EXPECT_EQ(LookedUp("guest"), "guest-4d2b");

    // Nothing of it in plain text in the user's folders (the keyring's own file is encrypted).
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(secretstest::FilesHolding(home, "guest-4d2b"), std::vector<std::string>{});
    EXPECT_EQ(secretstest::FilesHolding(home, "second-9c1e"), std::vector<std::string>{});
}

TEST_F(RealSecretService, AnEntryStoredWithSecretToolIsReadByTheRecorder)
{
    // How a user keeps the recorder's password without the window: the
    // attributes the library writes, "type" included.
    QProcess tool;
    tool.start(QStringLiteral("secret-tool"),
               {QStringLiteral("store"), QStringLiteral("--label=Quillmont recorder"), QStringLiteral("server"),
                QString::fromLatin1(RecorderSecretService), QStringLiteral("user"),
                QString::fromStdString(RecorderPasswordKey(Host, "operator")), QStringLiteral("type"),
                QStringLiteral("plaintext")});
    ASSERT_TRUE(tool.waitForStarted(30000));
    tool.write("by hand");
    tool.closeWriteChannel();
    ASSERT_TRUE(tool.waitForFinished(30000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();

    std::string password;
    std::string why;
    ASSERT_TRUE(ReadRecorderPassword(Host, "operator", password, why)) << why;
    EXPECT_EQ(password, "by hand");
}

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
