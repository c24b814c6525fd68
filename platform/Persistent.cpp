// The default Assign/AssignTo and the conversion error they share.
#include "platform/Persistent.h"

#include "platform/Errors.h"

namespace nox {

void TPersistent::Assign(TPersistent* source) {
    if (source != nullptr) {
        source->AssignTo(*this);
        return;
    }
    AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent& dest) { dest.AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const {
    throw EConvertError(Format(msg::kAssignError, source ? source->ClassName() : "nil", ClassName()));
}

}  // namespace nox
