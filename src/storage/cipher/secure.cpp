#include "storage/cipher/secure.h"

#include <string.h>

namespace tb::storage {

// explicit_bzero is a store the optimiser must keep even when the buffer is
// about to be freed or go out of scope, which is exactly when secrets die.
void SecureWipe(void* data, size_t n) {
  if (data != nullptr && n != 0) explicit_bzero(data, n);
}

}  // namespace tb::storage
