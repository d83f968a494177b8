#pragma once
// The designed layout of both windows: each control's kind, designed text, place in twips and
// tab index, in one table per window, and the one conversion from twips to logical pixels.

#include <span>
#include <string_view>

#include <QRect>
#include <QSize>

class QWidget;

namespace sondrel::ui {

// Twips are 1/1440 inch: 15 to a logical pixel at 96 dots per inch. Qt scales logical pixels
// on high-DPI screens.
inline constexpr int kTwipsPerPixel = 15;

enum class ControlKind { Button, TextBox, MultiLineTextBox, Label };

struct ControlLayout {
    std::string_view name;  // also the widget's objectName
    ControlKind kind;
    std::string_view text;         // designed text
    int left, top, width, height;  // twips, from the client area's top-left corner
    int tab;                       // tab index, 0 first
    bool visible = true;
};

struct FormLayout {
    std::string_view caption;
    int client_width, client_height;  // twips
    std::span<const ControlLayout> controls;
};

const FormLayout& Form1Layout();  // the main window
const FormLayout& Form2Layout();  // the report header dialog

// The one place twips become logical pixels (rounded to the nearest pixel).
int TwipsToPixels(int twips);
QRect TwipsToPixels(const ControlLayout& control);
QSize ClientSizeInPixels(const FormLayout& form);

// Creates every control of `form` as a child of `client`, with its objectName, designed text,
// place and visibility, and sets the tab order from the tab indexes. Labels take no focus,
// and one whose text is wider than designed grows to the right, short of the next control.
void BuildControls(const FormLayout& form, QWidget* client);

}  // namespace sondrel::ui
