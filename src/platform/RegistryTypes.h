#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace pictavo {

// Predefined root keys, with the handle values the plug-in's code has always used.
namespace RootKey {
constexpr std::uint32_t ClassesRoot = 0x80000000u;
constexpr std::uint32_t CurrentUser = 0x80000001u;
constexpr std::uint32_t LocalMachine = 0x80000002u;
constexpr std::uint32_t Users = 0x80000003u;
constexpr std::uint32_t PerformanceData = 0x80000004u;
constexpr std::uint32_t CurrentConfig = 0x80000005u;
constexpr std::uint32_t DynData = 0x80000006u;
}  // namespace RootKey

// Value types, numbered as in the registry the settings come from.
enum class RegType : std::uint32_t {
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    Dword = 4,
    MultiSz = 7,
};

// Result codes, numbered as their registry counterparts so callers that pass them on keep
// their meaning.
namespace RegResult {
constexpr long Success = 0;
constexpr long FileNotFound = 2;
constexpr long AccessDenied = 5;
}  // namespace RegResult

// The store's rule for the names of keys and values: two names are the same when their
// lower-case forms are, and that form is what they are compared and looked up by.
inline QString comparedName(const QString& name) {
    return name.toLower();
}

struct RegValue {
    RegType type = RegType::None;
    // String types hold UTF-8 text without a terminating NUL (REG_MULTI_SZ: the strings
    // separated by NULs); REG_DWORD holds four little-endian bytes.
    QByteArray data;

    static RegValue text(const QString& s, RegType type = RegType::Sz);
    static RegValue dword(std::uint32_t v);
    QString asText() const;
};

struct NamedRegValue {
    QString name;  // the empty name is the key's default value
    RegValue value;
};

}  // namespace pictavo
