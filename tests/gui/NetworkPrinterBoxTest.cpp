// SPDX-License-Identifier: Apache-2.0
// The printer box beside printers that announce themselves, run by
// tests/fixtures/network-printer-rig: they join the box after the queues
// when the browse ends, the window never waits for them, and neither the
// default printer's selection nor a name being typed moves.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <chrono>
#include <cstdlib>

#include "CupsTestServer.h"
#include "GuiTestSupport.h"
#include "QtPresenter.h"
#include "QuellmarkImpl1.h"

namespace QuellmarkTest {
TQtPresenter& Presenter();
}

using namespace QuellmarkTest;

namespace {

std::vector<std::string> Items(const QComboBox& box)
{
    std::vector<std::string> items;
    for (int i = 0; i < box.count(); ++i) items.push_back(box.itemText(i).toStdString());
    return items;
}

TEST(NetworkPrinterBox, FoundPrintersJoinAfterTheQueues)
{
    ASSERT_NE(std::getenv("RIG_DIR"), nullptr) << "runs only inside tests/fixtures/network-printer-rig";
    struct Case {
        std::vector<std::string> queues;  // the last one is the default
        QString typed;                    // while the browse runs
        std::vector<std::string> listed;  // at start
        int index;
    };
    for (const Case& c : {Case{{"A", "B"}, "", {"B", "A"}, 0}, Case{{}, "Rig_P", {}, -1}}) {
        CupsTestServer server;
        for (const std::string& queue : c.queues) server.AddLocalQueue(queue);
        if (!c.queues.empty()) server.SetServerDefault(c.queues.back());
        const ModalCloser closer;  // no default printer is reported
        const auto start = std::chrono::steady_clock::now();
        TQuellmarkX window(Presenter());
        EXPECT_LT(std::chrono::steady_clock::now() - start,
                  std::chrono::milliseconds(PrinterUtils::kDiscoveryTimeoutMs / 2));
        QComboBox& box = *window.findChild<QComboBox*>("cboPrinters");
        EXPECT_EQ(Items(box), c.listed);
        if (!c.typed.isEmpty()) box.lineEdit()->setText(c.typed);
        const std::string text = box.currentText().toStdString();
        std::vector<std::string> all = c.listed;
        all.insert(all.end(), {"Rig_Gone", "Rig_Printer"});
        EXPECT_TRUE(QTest::qWaitFor([&] { return Items(box) == all; }, PrinterUtils::kDiscoveryTimeoutMs + 2000))
            << box.count();
        EXPECT_EQ(box.currentIndex(), c.index);
        EXPECT_EQ(box.currentText().toStdString(), text);
        for (int i = 0; i < box.count(); ++i)
            EXPECT_EQ(box.itemData(i, Qt::ToolTipRole).isValid(), i >= static_cast<int>(c.listed.size())) << i;
    }
}

}  // namespace
