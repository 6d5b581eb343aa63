// The polymorphic root of everything an undo record or a list may hold and free.
#pragma once

namespace zep::undo {

/// Root of objects held by lists and undo records; deleting through it destroys the whole object.
class TObject {
public:
    virtual ~TObject() = default;
};

} // namespace zep::undo
