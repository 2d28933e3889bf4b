// SPDX-License-Identifier: Apache-2.0
// The reference for the start-up benchmark: the least a Qt Widgets program
// does to show a window of the same size.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("BareWindow"));
    window.resize(462, 95);
    window.show();
    return app.exec();
}
