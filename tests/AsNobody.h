// Runs a piece of a test as the user nobody, so that the file permissions a test sets bind when the
// tests run as root.
#pragma once

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <string>

#include "runtime/ScopeGuard.h"

// Runs what it is given as the user nobody, when the test runs as root; the real and effective ids both
// change, so that the checks of access() and the kernel's own agree, and the saved id brings root back.
class AsNobody {
  public:
    explicit AsNobody(bool wanted) {
        const passwd* nobody = getpwnam("nobody");
        if (!wanted || geteuid() != 0 || !nobody) return;
        uid_ = nobody->pw_uid;
        gid_ = nobody->pw_gid;
    }
    bool Switching() const { return uid_ != 0; }
    void Own(const std::string& path) const {
        if (Switching()) {
            ASSERT_EQ(::chown(path.c_str(), uid_, gid_), 0) << path;
        }
    }
    template <class F>
    auto Run(F&& work) const {
        if (Switching()) {
            EXPECT_EQ(setresgid(gid_, gid_, 0), 0);
            EXPECT_EQ(setresuid(uid_, uid_, 0), 0);
        }
        const runtime::ScopeGuard back([this] {
            if (!Switching()) return;
            EXPECT_EQ(setresuid(0, 0, 0), 0);
            EXPECT_EQ(setresgid(0, 0, 0), 0);
        });
        return work();
    }

  private:
    uid_t uid_ = 0;
    gid_t gid_ = 0;
};
