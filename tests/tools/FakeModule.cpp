// Small stand-in modules that misbehave in one way each, so that the host library's handling
// of broken modules and its routing of host requests can be tested. One source, built once
// per kind with CALDERINE_FAKE_KIND set.
#include "host/AEffect.h"

#define CALDERINE_FAKE_NO_ENTRY 1
#define CALDERINE_FAKE_NULL_MAIN 2
#define CALDERINE_FAKE_BAD_MAGIC 3
#define CALDERINE_FAKE_CHATTY 4

#define CALDERINE_FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using namespace calderine;

#if CALDERINE_FAKE_KIND == CALDERINE_FAKE_CHATTY
// A record whose dispatcher passes every opcode on to the host as a request naming the
// record, and answers with the host's answer. effGetVstVersion becomes the host version query.
struct ChattyEffect {
    AEffect record{};
    audioMasterCallback host = nullptr;
};

std::intptr_t CALDERINE_VST_CALL chattyDispatcher(AEffect* effect, std::int32_t opcode,
                                                  std::int32_t index, std::intptr_t value,
                                                  void* ptr, float opt) {
    auto* chatty = static_cast<ChattyEffect*>(effect->object);
    const std::int32_t request = opcode == effGetVstVersion ? audioMasterVersion : opcode;
    const std::intptr_t answer = chatty->host(effect, request, index, value, ptr, opt);
    if (opcode == effClose) {
        delete chatty;
        return 1;
    }
    return answer;
}
#endif

} // namespace

#if CALDERINE_FAKE_KIND == CALDERINE_FAKE_NO_ENTRY

CALDERINE_FAKE_EXPORT int calderineFakeUnrelated() {
    return 0;
}

#elif CALDERINE_FAKE_KIND == CALDERINE_FAKE_NULL_MAIN

// Exported only under the old entry name, and refusing like a module that wants a newer host.
CALDERINE_FAKE_EXPORT AEffect* fakeEntry(audioMasterCallback host) __asm__("main");
AEffect* fakeEntry(audioMasterCallback host) {
    host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f);
    return nullptr;
}

#elif CALDERINE_FAKE_KIND == CALDERINE_FAKE_BAD_MAGIC

CALDERINE_FAKE_EXPORT AEffect* VSTPluginMain(audioMasterCallback /*host*/) {
    static AEffect notARecord{};
    return &notARecord;
}

#elif CALDERINE_FAKE_KIND == CALDERINE_FAKE_CHATTY

CALDERINE_FAKE_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) {
    auto* chatty = new ChattyEffect;
    chatty->host = host;
    chatty->record.magic = kEffectMagic;
    chatty->record.dispatcher = &chattyDispatcher;
    chatty->record.object = chatty;
    return &chatty->record;
}

#else
#error "CALDERINE_FAKE_KIND must name one of the kinds above"
#endif
