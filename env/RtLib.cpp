#include "env/RtLib.h"
#include "env/GlobalStorage.h"

std::int32_t RtLib::_refCount = 0;

// Each marker is exactly 32 characters, so it fills its field with no terminator.
KxBuildInfo RtLib::_tBuildInfo = {
    {'_','_','_','_','_','_','_','Q','O','R','_','V','E','R','S','I','O','N','_','M','A','R','K','E','R','_','_','_','_','_','_','_'},
    "8.0.7.3",
    {'_','_','_','_','_','_','_','_','Q','O','R','_','B','U','I','L','D','_','M','A','R','K','E','R','_','_','_','_','_','_','_','_'},
    "140421",
    {'_','_','_','_','_','_','_','Q','O','R','_','S','T','A','T','U','S','_','M','A','R','K','E','R','_','_','_','_','_','_','_','_'},
    'N',
};

void RtLib::init() {
    ++_refCount;
    if (_refCount < 2) {
        KxLib::init();
        Rt::gStor = new Rt::GlobalStorage;
    }
}

void RtLib::fini() {
    --_refCount;
    if (_refCount < 1) {
        if (Rt::gStor) {
            Kx::SharedPtr<Rt::GlobalStorage> last;
            std::swap(last, Rt::gStor);  // empty the global before the object goes
        }
        KxLib::fini();
    }
}

const char* RtLib::version() { return _tBuildInfo.version; }
const char* RtLib::build() { return _tBuildInfo.build; }
KxBuildInfo::KxBuildStatus RtLib::status() {
    return static_cast<KxBuildInfo::KxBuildStatus>(static_cast<signed char>(_tBuildInfo.status));
}
