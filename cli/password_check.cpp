#include "cli/password_check.h"

#include <cstdio>

#include "cli/terminal.h"

namespace wxh::cli {

bool RefuseWrongPassword(const PasswordJudgement& j, const std::string& crowFile, const std::string& doing) {
    if (j.verdict != PasswordJudgement::Verdict::LooksWrong) return false;
    std::string files;
    for (size_t i = 0; i < j.unlikeNames.size(); ++i) {
        if (i) files += i + 1 == j.unlikeNames.size() ? " and " : ", ";
        files += "'" + PrintableName(j.unlikeNames[i]) + "'";
    }
    const bool one = j.unlikeNames.size() == 1;
    std::fprintf(stderr,
                 "crow: the password for '%s' looks wrong: decoded with it, %s %s not look like what %s "
                 "say%s; nothing was %s (to go ahead anyway, add %s)\n",
                 PrintableName(crowFile).c_str(), files.c_str(), one ? "does" : "do", one ? "its name" : "their names",
                 one ? "s" : "", doing.c_str(), kNoPasswordCheck);
    return true;
}

}  // namespace wxh::cli
