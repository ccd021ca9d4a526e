// SPDX-License-Identifier: MIT
// How flyover.scr reads the arguments Windows and users give a screen saver.
#include "saverargs.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

struct Case {
    std::vector<const char *> args; // after the program's name
    SaverTask task;
};

TEST(SaverArgs, FirstArgumentPicksTheTaskInEitherCaseWithSlashOrDash)
{
    const Case cases[] = {
        {{"/s"}, savershow},
        {{"-S"}, savershow},
        {{"/p", "12345"}, saverpreview},
        {{"/P:12345"}, saverpreview},
        {{"-p:12345"}, saverpreview},
        {{}, saversettings},
        {{"/c"}, saversettings},
        {{"/c:12345"}, saversettings},
        // Unknown or misspelt: what no argument gets.
        {{"/show"}, saversettings},
        {{"s"}, saversettings},
        {{"/"}, saversettings},
        {{""}, saversettings},
    };
    for (const Case &c : cases) {
        std::vector<const char *> argv = {"flyover.scr"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(savertask(int(argv.size()), argv.data()), c.task)
            << (c.args.empty() ? "(none)" : c.args[0]);
    }
}

} // namespace
