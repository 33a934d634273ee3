// engine/catalog/CForeignKey.cpp
#include "engine/catalog/CForeignKey.h"

const char* CForeignKey::ActionText(EAction eAction) {
    switch (eAction) {
        case EAction::Cascade:
            return "CASCADE";
        case EAction::SetNull:
            return "SET NULL";
        case EAction::SetDefault:
            return "SET DEFAULT";
        case EAction::NoAction:
            break;
    }
    return "NO ACTION";
}
