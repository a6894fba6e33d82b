// The Secret Service where none answers: no D-Bus session at all, and a bus
// that takes the connection and never says a word. Every call fails with a
// reason, within the time-out, and nothing is ever written in plain text
// instead. Each case needs a process of its own (ctest runs them so): GLib
// and Qt keep the session bus they found for the life of the process.
#include "SecretsTestUtil.h"
#include "secrets/Keychain.h"
#include "secrets/RecorderPassword.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

using secretstest::TPrivateHome;

namespace {

const std::string Host = "192.0.2.1:23";
const std::string User = "admin";
const std::string Password = "not-in-plain-text-7f3a";

// A session bus address where nothing listens.
void PointTheBusNowhere(const TPrivateHome& home)
{
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + home.Root() + "/no-bus-here").c_str(), 1);
}

}  // namespace

TEST(NoSessionBus, EveryCallFailsAtOnceAndSaysWhy)
{
    TPrivateHome home;
    PointTheBusNowhere(home);
    QElapsedTimer clock;
    clock.start();

    std::string password = "untouched";
    std::string why;
    EXPECT_FALSE(ReadRecorderPassword(Host, User, password, why));
    EXPECT_EQ(password, "untouched");
    EXPECT_EQ(why.rfind("the Secret Service failed: ", 0), 0u) << why;
    EXPECT_NE(why.find("No such file or directory"), std::string::npos) << why;

    why.clear();
    EXPECT_EQ(WriteRecorderPassword(Host, User, Password, why), TSecretResult::srUnavailable);
    EXPECT_EQ(why.rfind("the Secret Service failed: ", 0), 0u) << why;
    why.clear();
    EXPECT_EQ(DeleteRecorderPassword(Host, User, why), TSecretResult::srUnavailable);
    EXPECT_EQ(why.rfind("the Secret Service failed: ", 0), 0u) << why;

    // A refused connection is no reason to wait for the time-out.
    EXPECT_LT(clock.elapsed(), TKeychain::DefaultTimeoutMs / 2);
    EXPECT_EQ(home.FilesHolding(Password), std::vector<std::string>{});
}

TEST(NoSessionBus, AKWalletDesktopGetsNoPlaintextFileInstead)
{
    // Under this desktop the library asks KWallet, whose failure it could
    // answer with a plain settings file in the user's folder.
    TPrivateHome home;
    PointTheBusNowhere(home);
    ::setenv("XDG_CURRENT_DESKTOP", "KDE", 1);
    ::setenv("KDE_SESSION_VERSION", "4", 1);

    std::string why;
    EXPECT_EQ(WriteRecorderPassword(Host, User, Password, why), TSecretResult::srUnavailable);
    EXPECT_NE(why.find("D-Bus is not running"), std::string::npos) << why;
    std::string password;
    EXPECT_FALSE(ReadRecorderPassword(Host, User, password, why));
    EXPECT_EQ(password, "");
    EXPECT_EQ(home.FilesHolding(Password), std::vector<std::string>{});
    EXPECT_EQ(home.FilesHolding(RecorderPasswordKey(Host, User)), std::vector<std::string>{});
}

TEST(SilentBus, ASecretServiceThatNeverAnswersCostsTheTimeOutAndNoMore)
{
    TPrivateHome home;
    // A socket that accepts connections (the kernel does, up to its backlog)
    // but never answers the bus's greeting.
    const std::string path = home.Root() + "/silent-bus";
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof(address.sun_path));
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(listener, 8), 0);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + path).c_str(), 1);

    constexpr int TimeoutMs = 1500;
    const TKeychain keychain(QString::fromLatin1(RecorderSecretService), TimeoutMs);
    QElapsedTimer clock;
    clock.start();
    std::string secret;
    std::string why;
    EXPECT_EQ(keychain.Read(QStringLiteral("recorder/admin@192.0.2.1"), secret, why), TSecretResult::srUnavailable);
    EXPECT_EQ(why, "the Secret Service did not answer within 1500 ms");
    EXPECT_GE(clock.elapsed(), TimeoutMs - 100);
    EXPECT_LT(clock.elapsed(), TimeoutMs + 3000);

    // The next call (which the library queues behind the one still waiting)
    // costs the time-out again, no more.
    clock.restart();
    EXPECT_EQ(keychain.Write(QStringLiteral("recorder/admin@192.0.2.1"), Password, why), TSecretResult::srUnavailable);
    EXPECT_EQ(why, "the Secret Service did not answer within 1500 ms");
    EXPECT_LT(clock.elapsed(), TimeoutMs + 3000);
    EXPECT_EQ(home.FilesHolding(Password), std::vector<std::string>{});
    ::close(listener);
}

TEST(RecorderPasswordKey, IsTheLoginAsTheRecorderIsGivenIt)
{
    EXPECT_EQ(RecorderPasswordKey("192.168.1.1", "Administrator"), "recorder/Administrator@192.168.1.1");
    EXPECT_EQ(RecorderPasswordKey("router.home:2323", ""), "recorder/@router.home:2323");
    // A text that is not UTF-8 is refused before anything is asked.
    std::string why;
    EXPECT_EQ(TKeychain(QStringLiteral("x")).Write(QStringLiteral("k"), "\xff\xfe", why), TSecretResult::srUnavailable);
    EXPECT_EQ(why, "the secret is not UTF-8 text");
}

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
