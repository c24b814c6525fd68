// TPersistent: the root of every object that can take over another (Assign) or give itself to
// another (AssignTo), with the class library's conversion error for pairs that do not fit.
#pragma once

namespace nox {

class TPersistent {
public:
    virtual ~TPersistent() = default;
    virtual const char* ClassName() const { return "TPersistent"; }

    // Takes over `source`. The base asks the source to put itself into this object and fails with
    // EConvertError "Cannot assign a <source class> to a <this class>" when it cannot.
    virtual void Assign(TPersistent* source);

    // Puts this object into `dest`; the base fails with the conversion error.
    virtual void AssignTo(TPersistent& dest);

protected:
    [[noreturn]] void AssignError(const TPersistent* source) const;
};

}  // namespace nox
