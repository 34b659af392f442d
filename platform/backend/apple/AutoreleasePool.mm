#include "platform/backend/apple/AutoreleasePool.h"

#import <Foundation/Foundation.h>

namespace plumeo::apple {

void runInAutoreleasePool(const std::function<void()>& body) {
    @autoreleasepool {
        body();
    }
}

} // namespace plumeo::apple
