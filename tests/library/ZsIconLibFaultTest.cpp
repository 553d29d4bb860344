// The store against hostile input: names and keywords are cut to their limits where they enter.
#include <gtest/gtest.h>

#include "LibTestUtil.h"
#include "common/ZsText.h"
#include "library/ZsIconLib.h"

using test::Ico;
using test::Library;

TEST(IconLibFault, NamesAndKeywordsAreCutWhereTheyEnter) {
    Library l;
    l.lib.NewLib();
    // Two-byte characters: the cut never splits one.
    std::string sLong;
    for (int i = 0; i < 70000; ++i) {
        sLong += "\xC3\xA9";
    }
    int32_t nId = l.lib.ImpIcon(Ico(), &sLong);
    ASSERT_NE(nId, 0);
    EXPECT_EQ(ZsCharCount(l.lib.GetIconName(nId)), ZIL_MAX_NAME_CHARS);
    EXPECT_EQ(l.lib.GetIconName(nId).size(), 2 * ZIL_MAX_NAME_CHARS);
    l.lib.SetIconName(nId, std::string(ZIL_MAX_NAME_CHARS, 'n'));
    EXPECT_EQ(l.lib.GetIconName(nId).size(), ZIL_MAX_NAME_CHARS);
    l.lib.SetIconName(nId, "a" + sLong);
    EXPECT_EQ(l.lib.GetIconName(nId).size(), 2 * ZIL_MAX_NAME_CHARS - 1);
    l.lib.SetIconKeywords(nId, sLong);
    EXPECT_EQ(ZsCharCount(l.lib.GetIconKeywords(nId)), ZIL_MAX_KWDS_CHARS);
    l.lib.SetIconKeywords(nId, std::string("short\0tail", 10));
    EXPECT_EQ(l.lib.GetIconKeywords(nId), "short");
}
