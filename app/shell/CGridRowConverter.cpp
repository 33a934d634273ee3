// app/shell/CGridRowConverter.cpp
#include "app/shell/CGridRowConverter.h"

SGridRow CGridRowConverter::FromRecordRow(SRecordRow&& row) {
    SGridRow out;
    out.bDeleted = row.bDeleted;
    out.vecValues.reserve(row.vecValues.size());
    for (std::string& strText : row.vecValues) {
        const EGridValueKind eKind = KindOfGridText(strText);
        out.vecValues.push_back(SGridValue{std::move(strText), eKind});
    }
    return out;
}

EGridValueKind CGridRowConverter::KindOfGridText(const std::string& strText) {
    if (strText == "NULL")
        return EGridValueKind::Null;
    if (strText == "Empty")
        return EGridValueKind::EmptyString;
    if (strText == "Corrupt")
        return EGridValueKind::Corrupt;
    if (strText == "FORMULA")
        return EGridValueKind::Formula;
    if (strText == "Deleted")
        return EGridValueKind::DroppedColumn;
    return EGridValueKind::Value;
}
