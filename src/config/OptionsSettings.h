#pragma once

#include <QString>
#include <span>
#include <vector>

#include "settings/SettingReaders.h"

class QWidget;

namespace pictavo {

// The settings of the options window, each bound by name to the control that shows it. Loading
// reads every value of the table, shows it on its control, and notes what each control then
// stands for; Save writes every value, in table order, from what its control stands for now. A
// value whose control still stands for what it did at load is written back exactly as it was
// stored, so a font that is not installed, a colour written in another notation or a flag
// stored as "2" survive a Save untouched; so is a value whose control is hidden (the quality
// for any type but JPG). A value missing from the store is always written.
//
// A new setting on the window is one entry in the table in OptionsSettings.cpp, naming a control
// that its page builds: {"Options", "Name", "chkName", Binding::Flag}.

// How a stored text is read into its control (the reader), and what the control then stands for
// (the stored form).
enum class Binding {
    Flag,      // check box: ticked for the rule's "on"; "1" or "0"
    Text,      // text box: as it is
    Choice,    // list: the item in capitals; the item in small letters
    Position,  // button group: button 1 to 9, anything else is 9; the button's number
    Colour,    // swatch: read as a 0x00BBGGRR value; that value in decimal
    FontName,  // text look: the face read from the font's values; the family as stored
    FontSize,  // text look: as FontName; the size in points
    Length,    // no control: the length of the text written for the value named as control
};

struct OptionSetting {
    const char* subKey;
    const char* name;
    const char* control;  // the control's objectName
    Binding binding;
    FlagRule rule = FlagRule::OneIsOn;  // for a Flag
};

// Every value the window writes, in the order it writes them.
std::span<const OptionSetting> optionSettings();

// One value as the window writes it.
struct Written {
    QString subKey;
    QString name;
    QString text;
};

// `stored[i]` is the stored text of optionSettings()[i] ("Error" when it is missing).
void showSettings(QWidget& window, const std::vector<Written>& stored);
// What the controls stand for now, one text per setting (empty for a length).
std::vector<Written> controlTexts(const QWidget& window);
// What Save writes: the controls' texts, or the stored text where a control is unchanged since
// `atLoad` (or hidden), with the lengths of what is written.
std::vector<Written> textsToWrite(const QWidget& window, const std::vector<Written>& stored,
                                  const std::vector<Written>& atLoad);

}  // namespace pictavo
