#pragma once

// For the lifetime of a scope, file permissions bind the process as they bind
// a user: run as root, it takes the user and group "nobody", and no
// supplementary groups, as its real and effective ones (access checks use the
// real ones), keeping root as the saved ones to return to. Run as anyone
// else, it changes nothing; active() says which.

#include <grp.h>
#include <unistd.h>
#include <vector>

class Unprivileged
{
public:
    Unprivileged()
    {
        if (::geteuid() != 0)
            return;
        groups.resize(std::size_t(std::max(::getgroups(0, nullptr), 0)));
        groups.resize(std::size_t(std::max(::getgroups(int(groups.size()), groups.data()), 0)));
        dropped = ::setgroups(0, nullptr) == 0 && ::setresgid(nobody, nobody, 0) == 0 &&
                  ::setresuid(nobody, nobody, 0) == 0;
        if (!dropped)
            restore();
    }
    ~Unprivileged()
    {
        if (dropped)
            restore();
    }
    Unprivileged(const Unprivileged &) = delete;
    Unprivileged &operator=(const Unprivileged &) = delete;

    bool active() const { return dropped; }

private:
    void restore()
    {
        if (::setresuid(0, 0, 0) == 0 && ::setresgid(0, 0, 0) == 0)
            ::setgroups(groups.size(), groups.data());
    }

    static constexpr uid_t nobody = 65534;
    std::vector<gid_t> groups;
    bool dropped = false;
};
