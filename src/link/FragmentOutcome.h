#pragma once

/// What a fragment check found of a link's #fragment in the document its
/// request answered with.
enum class EFragment {
    /// No fragment was checked: the record is not a fragment's row.
    NONE,
    FOUND,
    MISSING,
    /// The request did not succeed, so there was no document to look in.
    UNCHECKED,
    /// The request succeeded, but its document could not be searched.
    UNVERIFIABLE,
};

/// The outcome as the formats write it ("found", "missing", "unchecked",
/// "unverifiable"); empty for NONE.
inline const char* GetFragmentName(EFragment eFragment)
{
    switch (eFragment) {
    case EFragment::FOUND: return "found";
    case EFragment::MISSING: return "missing";
    case EFragment::UNCHECKED: return "unchecked";
    case EFragment::UNVERIFIABLE: return "unverifiable";
    case EFragment::NONE: break;
    }
    return "";
}
