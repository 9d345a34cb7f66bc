#include "encoder/optionitem.h"

namespace {
template<typename T>
bool store(const OptionItem::Target &target, const T &value)
{
    if (T *const *field = std::get_if<T *>(&target)) {
        **field = value;
        return true;
    }
    return false;
}

void storeConverted(const OptionItem::Target &target, int valueType, const QVariant &value)
{
    // A value the dialog never selected would store a null size or bitrate.
    if (!value.isValid())
        return;
    switch (valueType) {
    case OptionItem::IntValue:
        store(target, value.toInt());
        break;
    case OptionItem::DoubleValue:
        store(target, value.toDouble());
        break;
    case OptionItem::TextValue:
        store(target, value.toString());
        break;
    case OptionItem::PointValue:
        store(target, value.toPoint());
        break;
    case OptionItem::SizeValue:
        // A side typed as text that is no number reads as 0; no engine takes that size.
        if (!value.toSize().isEmpty())
            store(target, value.toSize());
        break;
    default:
        break;
    }
}
} // namespace

void OptionItem::apply() const
{
    if (kind == Choice)
        storeConverted(choice.target, choice.valueType, choice.selectedValue);
    else if (kind == Range && (range.valueType == IntValue || range.valueType == DoubleValue))
        storeConverted(range.target, range.valueType, range.selectedValue);
}
