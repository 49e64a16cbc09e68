#pragma once

#include "MainWindowFixture.h"

#include <QString>

// The team most window tests start from: Ann (the current user) and Bob, and the categories Build
// and Design, made in that order.
struct TwoUserTeam {
    int ann = 0;
    int bob = 0;
    int design = 0;
    int build = 0;

    static TwoUserTeam seed(MainWindowFixture& f) {
        TwoUserTeam team;
        team.ann = f.addUser(QStringLiteral("Ann"));
        team.bob = f.addUser(QStringLiteral("Bob"));
        team.build = f.addCategory(QStringLiteral("Build"));
        team.design = f.addCategory(QStringLiteral("Design"));
        f.settings.setUser(QStringLiteral("Ann"));
        return team;
    }
};
