#include "platform/Platform.h"

#include <exiv2/exiv2.hpp>

#include <mutex>

namespace velmora {

void initializePlatform()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // exiv2's own warnings about odd files would flood stderr on a large batch.
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
#ifdef EXV_ENABLE_BMFF
        Exiv2::enableBMFF(true);
#endif
    });
}

} // namespace velmora
