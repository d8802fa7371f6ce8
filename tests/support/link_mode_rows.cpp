#include "link_mode_rows.h"

#include <QtTest>

namespace zeltar::test {

void AddLinkModeRows()
{
    QTest::addColumn<bool>("fast");
    QTest::newRow("standard") << false;
    QTest::newRow("fast") << true;
}

} // namespace zeltar::test
