#include "link/serial/port_permission.h"

#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string GroupName(gid_t gid)
{
    if (const group* g = getgrgid(gid))
        return g->gr_name;
    return std::to_string(gid);
}

std::string UserName(uid_t uid)
{
    if (const passwd* p = getpwuid(uid))
        return p->pw_name;
    return std::to_string(uid);
}

} // namespace

std::string PortPermissionAdvice(const std::string& device, Language language)
{
    struct stat info {};
    if (device.empty() || device.front() != '/' || stat(device.c_str(), &info) != 0)
        return {};
    if (access(device.c_str(), R_OK | W_OK) == 0 || errno != EACCES)
        return {};
    const bool polish = language == Language::Polish;
    const bool groupMayUse = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (!groupMayUse) {
        const std::string owner = UserName(info.st_uid);
        return polish
                   ? "Brak uprawnie\u0144 do otwarcia " + device +
                         ": otworzy\u0107 je mo\u017ce tylko jego w\u0142a\u015bciciel " + owner +
                         ".\nRozwi\u0105zanie: popro\u015b administratora o przypisanie "
                         "urz\u0105dzenia do grupy (w Debianie dialout) i dodanie ci\u0119 "
                         "do niej, a potem zaloguj si\u0119 ponownie."
                   : "No permission to open " + device + ": only its owner " + owner +
                         " may open it.\nFix: ask the administrator to give the device to a "
                         "group (dialout on Debian) and to add you to it, then log in again.";
    }
    const std::string group = GroupName(info.st_gid);
    const std::string user = UserName(getuid());
    return polish ? "Brak uprawnie\u0144 do otwarcia " + device +
                        ": urz\u0105dzenie nale\u017cy do grupy " + group +
                        ", a ta sesja u\u017cytkownika " + user +
                        " nie jest w tej grupie.\nRozwi\u0105zanie: sudo usermod -aG " + group +
                        " " + user + ", a potem wyloguj si\u0119 i zaloguj ponownie."
                  : "No permission to open " + device + ": the device belongs to group " + group +
                        " and this session of user " + user +
                        " is not in it.\nFix: sudo usermod -aG " + group + " " + user +
                        ", then log out and log in again.";
}
