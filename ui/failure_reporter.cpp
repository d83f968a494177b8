#include "ui/failure_reporter.h"

#include <cstdio>
#include <exception>
#include <new>

#include <QMessageBox>
#include <QString>

namespace sondrel::ui {
namespace {

// What to tell the user about an exception a command threw.
FailureNotice NoticeFor(const std::exception_ptr& thrown) {
    FailureNotice notice;
    try {
        std::rethrow_exception(thrown);
    } catch (const Failure& failure) {
        notice.kind = failure.kind();
        notice.title = FailureKindTitle(failure.kind());
        notice.message = failure.what();
    } catch (const std::bad_alloc&) {
        notice.title = "Out of memory";
        notice.message = "there was not enough memory to finish the command";
    } catch (const std::exception& error) {
        notice.title = "Unexpected error";
        notice.message = error.what();
    } catch (...) {
        notice.title = "Unexpected error";
        notice.message = "the command stopped on an unknown error";
    }
    return notice;
}

}  // namespace

void ShowFailureBox(QWidget* parent, const FailureNotice& notice) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Sondrel"),
                    QString::fromStdString(notice.title), QMessageBox::Ok, parent);
    box.setInformativeText(QString::fromStdString(notice.message));
    box.exec();
}

void RunCommand(const FailureReporter& report, const std::function<void()>& command) noexcept {
    std::exception_ptr error;
    try {
        command();
        return;
    } catch (...) {
        error = std::current_exception();
    }
    try {
        const FailureNotice notice = NoticeFor(error);
        if (report) {
            report(notice);
        } else {
            std::fprintf(stderr, "sondrel: %s: %s\n", notice.title.c_str(), notice.message.c_str());
        }
    } catch (...) {
        // Even telling the user failed (say, out of memory while building the box).
        std::fputs("sondrel: a command failed and the failure could not be shown\n", stderr);
    }
}

}  // namespace sondrel::ui
