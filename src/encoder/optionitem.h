#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <variant>

// One user-settings option of the extended configurator: a choice among listed values
// (kind 1) or a number range (kind 3). Its target is the job field that receives the value
// the dialog selected when the selection is applied.
struct OptionItem
{
    enum Kind : int { Choice = 1, Range = 3 };
    enum ValueType : int { IntValue = 0, DoubleValue = 1, TextValue = 2, PointValue = 3, SizeValue = 4 };
    // Selects the text shown for each value (`MervoConfigurator::valueText`).
    enum DisplayKind : int { PictureSize = 0, X264Preset = 1, H264Profile = 2, SamplingRate = 3, Bitrate = 4 };

    using Target = std::variant<std::monostate, int *, double *, QString *, QPoint *, QSize *>;

    struct ChoicePart
    {
        Target target;
        QVariant initialValue;  // shown first
        QVariant selectedValue; // written by the dialog, read when applying
        QVariant defaultValue;  // restored by the dialog's "Default" button
        int valueType = IntValue;
        QVariantList choices;   // in the order shown
        int displayKind = PictureSize;
        QString label;
        QString leadText;       // before the first free-entry field
        bool firstEntry = false;
        QString middleText;     // between the two entry fields
        bool secondEntry = false;
        QString trailingText;
        bool stretch = false;
    };

    struct RangePart
    {
        Target target;
        QVariant initialValue;
        QVariant selectedValue;
        QVariant defaultValue;
        int valueType = IntValue;
        int minimum = 0;
        int maximum = 0;
        QString label;
        QString unit;
    };

    // Stores the selected value of the part the kind uses, converted by its value type, into
    // the target; another kind, value type or a target of another type stores nothing.
    void apply() const;

    int kind = 0;
    QString spareText; // no builder sets it
    ChoicePart choice;
    QStringList spareList1;
    QStringList spareList2;
    RangePart range;
};
