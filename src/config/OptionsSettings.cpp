#include "config/OptionsSettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <cmath>
#include <stdexcept>

#include "config/ColourSwatch.h"
#include "config/OptionsPages.h"
#include "settings/ColourValue.h"
#include "settings/NumericText.h"

namespace pictavo {

namespace {

constexpr auto NonZero = FlagRule::NonZeroIsOn;

// One entry per value: its key, its name, the control that shows it, and how.
// clang-format off
const OptionSetting kSettings[] = {
    {"Options", "Overlay", "chkOverlay", Binding::Flag},
    {"Options", "SaveOverlay", "chkSaveOverlay", Binding::Flag},
    {"Options", "WarnDelay", "chkWarnDelay", Binding::Flag},
    {"Options", "WarnDelayAmount", "txtWarnDelay", Binding::Text},
    {"Options", "SaveMsgBox", "chkSaveMsgBox", Binding::Flag},
    {"Options", "Counter", "chkCounter", Binding::Flag},
    {"Options", "Clipboard", "chkClipBoard", Binding::Flag},
    {"Options", "Preview", "chkPreview", Binding::Flag},
    {"Options", "PreviewSave", "chkPreviewSave", Binding::Flag},
    {"Options", "MenuIcons", "chkMenu", Binding::Flag},
    {"Options", "Delete", "chkDelete", Binding::Flag},
    {"Options", "FileName", "txtFilename", Binding::Text},
    {"Options", "FileType", "comFiletype", Binding::Choice},
    {"Options", "FileNameLen", "FileName", Binding::Length},
    {"Options", "FileTypeLen", "FileType", Binding::Length},
    {"Options", "TimeDelay", "txtTimeDelay", Binding::Text},
    {"Options", "Quality", "txtQuality", Binding::Text},
    {"Options", "SaveDir", "txtSaveDir", Binding::Text},
    {"Options", "SaveDirLen", "SaveDir", Binding::Length},
    {"Overlay", "Font", "fraLook", Binding::FontName},
    {"Overlay", "FontBold", "optBold", Binding::Flag, NonZero},
    {"Overlay", "FontItalic", "optItalic", Binding::Flag, NonZero},
    {"Overlay", "FontSize", "fraLook", Binding::FontSize},
    {"Overlay", "FontStrikethru", "optStrikethru", Binding::Flag},
    {"Overlay", "FontUnderline", "optUnderline", Binding::Flag},
    {"Overlay", "ForeColour", "shpTextColour", Binding::Colour},
    {"Overlay", "BackColour", "shpBackColour", Binding::Colour},
    {"Overlay", "Text", "txtText", Binding::Text},
    {"Countdown", "Font", "fraLookC", Binding::FontName},
    {"Countdown", "FontBold", "chkBoldC", Binding::Flag},
    {"Countdown", "FontItalic", "chkItalicC", Binding::Flag},
    {"Countdown", "FontSize", "fraLookC", Binding::FontSize},
    {"Countdown", "FontStrikethru", "chkStrikethruC", Binding::Flag},
    {"Countdown", "FontUnderline", "chkUnderlineC", Binding::Flag},
    {"Countdown", "ForeColor", "shpTextColorC", Binding::Colour},
    {"Countdown", "BackColor", "shpBackColorC", Binding::Colour},
    {"Countdown", "Shadow", "shpShadowC", Binding::Colour},
    {"Options", "Webcam", "chkWebcam", Binding::Flag},
    {"Overlay", "Position", "optPosition", Binding::Position},
};
// clang-format on

const QString kMissing = QStringLiteral("Error");  // what the store answers for a missing value

template <class Control>
Control* control(const QWidget& window, const OptionSetting& s) {
    auto* c = window.findChild<Control*>(QLatin1String(s.control));
    if (c == nullptr) {
        throw std::logic_error(std::string("the options window has no control ") + s.control);
    }
    return c;
}

bool isOn(const QString& text, FlagRule rule) {
    if (rule == FlagRule::OneIsOn) {
        return flagIsOn(text);
    }
    const std::optional<double> v = numberFromText(text);
    return v && *v != 0.0;
}

QString flagText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

// A button's number from a stored text: a whole number from 1 to 9, else 9.
int position(const QString& text) {
    const std::optional<double> p = numberFromText(text);
    const bool valid = p && *p >= 1 && *p <= 9 && std::floor(*p) == *p;
    return valid ? static_cast<int>(*p) : 9;
}

void show(const QWidget& window, const OptionSetting& s, const QString& text,
          const SettingLookup& lookup) {
    const QString subKey = QLatin1String(s.subKey);
    switch (s.binding) {
        case Binding::Flag:
            control<QCheckBox>(window, s)->setChecked(isOn(text, s.rule));
            return;
        case Binding::Text:
            control<QLineEdit>(window, s)->setText(text);
            return;
        case Binding::Choice: {
            auto* list = control<QComboBox>(window, s);
            list->setCurrentIndex(list->findText(text.toUpper()));
            return;
        }
        case Binding::Position:
            control<QButtonGroup>(window, s)->button(position(text))->setChecked(true);
            return;
        case Binding::Colour:
            control<ColourSwatch>(window, s)->setColour(
                colourFromValue(colourSetting(lookup, subKey, QLatin1String(s.name))));
            return;
        case Binding::FontName:
        case Binding::FontSize:
            control<TextLook>(window, s)->setFace(
                fontSetting(lookup, subKey, FontFlags::all(FlagRule::OneIsOn)));
            return;
        case Binding::Length:
            return;
    }
}

QString shownText(const QWidget& window, const OptionSetting& s) {
    switch (s.binding) {
        case Binding::Flag:
            return flagText(control<QCheckBox>(window, s)->checkState() != Qt::Unchecked);
        case Binding::Text:
            return control<QLineEdit>(window, s)->text();
        case Binding::Choice:
            return control<QComboBox>(window, s)->currentText().toLower();
        case Binding::Position:
            return QString::number(control<QButtonGroup>(window, s)->checkedId());
        case Binding::Colour:
            return QString::number(colourValue(control<ColourSwatch>(window, s)->colour()));
        case Binding::FontName:
            return control<TextLook>(window, s)->lookFont().family();
        case Binding::FontSize:
            return QString::number(control<TextLook>(window, s)->lookFont().pointSizeF());
        case Binding::Length:
            break;
    }
    return QString();  // a length: worked out from what is written with it
}

// Hidden by its page, not merely by a page that is not shown.
bool isPutAway(const QWidget& window, const OptionSetting& s) {
    const auto* w = window.findChild<const QWidget*>(QLatin1String(s.control));
    return w != nullptr && w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide);
}

}  // namespace

std::span<const OptionSetting> optionSettings() {
    return kSettings;
}

void showSettings(QWidget& window, const std::vector<Written>& stored) {
    const SettingLookup lookup = [&stored](const QString& subKey, const QString& name) {
        for (const Written& v : stored) {
            if (v.subKey == subKey && v.name == name) {
                return v.text;
            }
        }
        return QString();
    };
    for (std::size_t i = 0; i < std::size(kSettings); ++i) {
        show(window, kSettings[i], stored[i].text, lookup);
    }
}

std::vector<Written> controlTexts(const QWidget& window) {
    std::vector<Written> texts;
    for (const OptionSetting& s : kSettings) {
        texts.push_back({QLatin1String(s.subKey), QLatin1String(s.name), shownText(window, s)});
    }
    return texts;
}

std::vector<Written> textsToWrite(const QWidget& window, const std::vector<Written>& stored,
                                  const std::vector<Written>& atLoad) {
    std::vector<Written> out = controlTexts(window);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const bool unchanged = out[i].text == atLoad[i].text || isPutAway(window, kSettings[i]);
        if (unchanged && stored[i].text != kMissing) {
            out[i].text = stored[i].text;
        }
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (kSettings[i].binding != Binding::Length) {
            continue;
        }
        for (const Written& v : out) {
            if (v.subKey == out[i].subKey && v.name == QLatin1String(kSettings[i].control)) {
                out[i].text = QString::number(v.text.size());
            }
        }
    }
    return out;
}

}  // namespace pictavo
