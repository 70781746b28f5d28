#pragma once

/// What a modern-mode check concluded of a link, beyond its status code:
/// whether a failure is the link's own or the server's refusal or passing
/// trouble. The default mode's records have none.
enum class EVerdict {
    NONE,
    OK,
    BROKEN,
    BLOCKED,
    TRANSIENT,
};

/// The verdict as the formats write it ("ok", "broken", "blocked",
/// "transient"); empty for NONE.
inline const char* GetVerdictName(EVerdict eVerdict)
{
    switch (eVerdict) {
    case EVerdict::OK: return "ok";
    case EVerdict::BROKEN: return "broken";
    case EVerdict::BLOCKED: return "blocked";
    case EVerdict::TRANSIENT: return "transient";
    case EVerdict::NONE: break;
    }
    return "";
}
