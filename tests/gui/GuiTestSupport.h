// SPDX-License-Identifier: Apache-2.0
// Helpers for driving the Qt front-end in tests: a closer that answers every
// modal box as it comes up, and a private temporary directory.
#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

namespace QuellmarkTest {

struct ShownBox {
    std::string kind;  // "error", "information", "question", "credentials" or "last-resort"
    std::string caption;
    std::string text;             // as displayed: line breaks are "\n"
    int otherVisibleWindows = 0;  // visible top-level windows besides the box
    int otherEnabledWindows = 0;  // of those, the ones still taking input
};

// Watches for modal boxes; each one is recorded, handed to the optional
// action while it is up, then closed with its OK button (a question box
// with its default button). It acts from a
// queued call inside the box's own loop, never from a timer.
class ModalCloser : public QObject {
public:
    using Action = std::function<void(QDialog&, const ShownBox&)>;
    ModalCloser();
    ~ModalCloser() override;

    std::vector<ShownBox> boxes;
    Action action;
    // When false, the box is left open for the action to close.
    bool pressOk = true;

    std::vector<std::string> Texts() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Handle(QPointer<QDialog> box);
};

// A fresh directory set as TMPDIR for the test's lifetime; removed after.
class ScopedTempDir {
public:
    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::vector<std::string> Files() const;

private:
    std::string path_;
    std::string saved_;
    bool hadSaved_ = false;
};

// Sets TMPDIR to a given value (for an unusable one) for the scope.
class ScopedTmpDirValue {
public:
    explicit ScopedTmpDirValue(const std::string& value);
    ~ScopedTmpDirValue();
    ScopedTmpDirValue(const ScopedTmpDirValue&) = delete;
    ScopedTmpDirValue& operator=(const ScopedTmpDirValue&) = delete;

private:
    std::string saved_;
    bool hadSaved_ = false;
};

}  // namespace QuellmarkTest
