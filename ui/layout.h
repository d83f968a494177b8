#pragma once
// The designed layout of both windows: each control's kind, designed text, place in twips and
// tab index, in one table per window, and the conversion from twips to logical pixels.

#include <cstddef>
#include <span>
#include <string_view>

#include <QSize>
#include <QWidget>

namespace sondrel::ui {

enum class ControlKind { Button, TextBox, MultiLineTextBox, Label };

struct ControlLayout {
    std::string_view name;  // also the widget's objectName
    ControlKind kind;
    std::string_view text;         // designed text
    int left, top, width, height;  // twips (1/1440 inch) from the client area's top-left corner
    std::size_t tab;               // tab index, 0 first
    bool visible = true;
    // A label names the box it stands beside (its buddy, and so the box's accessible name);
    // any other control may carry its accessible name here.
    std::string_view names = {};
};

struct WindowLayout {
    std::string_view caption;
    int client_width, client_height;  // twips
    std::span<const ControlLayout> controls;
};

const WindowLayout& MainWindowLayout();          // the main window
const WindowLayout& ReportHeaderDialogLayout();  // the report header dialog

// Creates the controls of `form` in `client` as designed, each label tied to its box, in tab
// order (labels take no focus); the window gets the form's caption.
void BuildControls(const WindowLayout& form, QWidget* client);

// The control `name` of those BuildControls made in `client`.
template <typename Widget>
Widget* Control(const QWidget& client, std::string_view name) {
    return client.findChild<Widget*>(QString::fromUtf8(name), Qt::FindDirectChildrenOnly);
}

// The twips per pixel for the main window's controls built in `client`, with their fonts: the
// largest, up to the design's 15 (96 dots per inch), at which every label's text and the
// longest result line fit their designed widths. Both windows use it, keeping the proportions.
double FittingTwipsPerPixel(const QWidget& client);

// Puts the controls of `form` built in `client` at their designed places at `twips_per_pixel`;
// returns the size of the client area there.
QSize PlaceControls(const WindowLayout& form, QWidget* client, double twips_per_pixel);

}  // namespace sondrel::ui
