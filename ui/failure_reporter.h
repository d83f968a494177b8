#pragma once
// The one place where a failed command is told to the user: what went wrong, the reporter
// that shows it (a message box titled "Sondrel" unless another is injected), and RunCommand.

#include <functional>
#include <optional>
#include <string>

#include "calc/failure.h"

class QWidget;

namespace sondrel::ui {

// What the user is told. `kind` is empty for faults the calculator did not raise (out of
// memory, an unexpected exception), which are reported the same way rather than ending the
// program.
struct FailureNotice {
    std::optional<FailureKind> kind;
    std::string title;    // "Type mismatch", ..., "Out of memory"
    std::string message;  // e.g. `Elevation, ft: "abc" is not a number`
};

using FailureReporter = std::function<void(const FailureNotice&)>;

// A modal message box titled "Sondrel" with the notice's title and message, over `parent`.
void ShowFailureBox(QWidget* parent, const FailureNotice& notice);

// Runs one command to its end or its failure. Whatever it throws is handed to `report` and
// stops there, so nothing escapes into Qt's event loop; the program goes on.
void RunCommand(const FailureReporter& report, const std::function<void()>& command) noexcept;

}  // namespace sondrel::ui
