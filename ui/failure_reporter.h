#pragma once
// What a failed command tells the user: the notice a failure becomes, and the message box
// that shows it unless another reporter is injected.

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

}  // namespace sondrel::ui
