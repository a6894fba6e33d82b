#pragma once
// Acting as an ordinary user inside a test, so that permission rules are
// tested even when the suite runs as the superuser.

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

// While it lives, files are checked and written as an ordinary user: the
// superuser (as CI runs) acts as "nobody" (his effective ids; he takes his
// own back at the end), anyone else as himself.
class TAsOrdinaryUser {
public:
    TAsOrdinaryUser()
    {
        if (::geteuid() != 0)
            return;
        const passwd* nobody = ::getpwnam("nobody");
        if (nobody == nullptr)
            throw std::runtime_error("no user nobody");
        if (::setegid(nobody->pw_gid) != 0 || ::seteuid(nobody->pw_uid) != 0)
            throw std::runtime_error("cannot act as nobody");
        fSwitched = true;
    }
    ~TAsOrdinaryUser()
    {
        if (fSwitched && (::seteuid(0) != 0 || ::setegid(0) != 0))
            std::abort();  // the other tests must not run as nobody
    }
    TAsOrdinaryUser(const TAsOrdinaryUser&) = delete;
    TAsOrdinaryUser& operator=(const TAsOrdinaryUser&) = delete;

    // Makes path (a link itself, not what it points to) the user's own; called before the switch.
    static void GiveToUser(const std::filesystem::path& path)
    {
        if (::geteuid() != 0)
            return;
        const passwd* nobody = ::getpwnam("nobody");
        ASSERT_NE(nobody, nullptr);
        ASSERT_EQ(::lchown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0) << path;
    }

private:
    bool fSwitched = false;
};
