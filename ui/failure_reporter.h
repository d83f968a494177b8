#pragma once
// The one place where a failed command is told to the user: the notice a failure becomes,
// and the reporter that shows it (a message box titled "Sondrel" unless another is injected).

#include <functional>
#include <string>

#include "calc/failure.h"

class QWidget;

namespace sondrel::ui {

// What the user is told.
struct FailureNotice {
    FailureKind kind = FailureKind::TypeMismatch;
    std::string title;    // "Type mismatch", "Overflow", ...
    std::string message;  // e.g. `Elevation, ft: "abc" is not a number`
};

using FailureReporter = std::function<void(const FailureNotice&)>;

// A modal message box titled "Sondrel" with the notice's title and message, over `parent`.
void ShowFailureBox(QWidget* parent, const FailureNotice& notice);

// Tells `report` of a command's failure: a notice titled by its kind, with its message.
void ReportFailure(const FailureReporter& report, const Failure& failure);

}  // namespace sondrel::ui
