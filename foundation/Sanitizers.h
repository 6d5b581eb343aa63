// Whether this build runs under the address sanitizer: the pool and the huge-page mappings
// then hand out ordinary heap blocks, so that reads and writes past a block are still caught.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define ZEP_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZEP_ADDRESS_SANITIZER 1
#endif
#endif
