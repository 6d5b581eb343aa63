// The polymorphic root of everything an undo record or a list may hold and free.
#pragma once

#include "foundation/SmallObjectPool.h"

namespace zep::undo {

/// Root of objects held by lists and undo records; deleting through it destroys the whole object.
/// A study holds hundreds of thousands of them, so they live in pooled storage.
class TObject : public TPooled {
public:
    virtual ~TObject() = default;
};

} // namespace zep::undo
