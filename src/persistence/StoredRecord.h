#pragma once

#include "persistence/StoredValues.h"

#include <climits>
#include <span>
#include <string>
#include <variant>

// A settings record described as a table of its stored fields, so that
// loading, storing and anything that lists the settings read one table.
namespace persistence {

template <class Record>
struct IntegerField {
    const char* Name;
    int Record::*Member;
    int Default;
    // A stored number outside these bounds is not trusted and loads as the default.
    int Min = INT_MIN;
    int Max = INT_MAX;
};

template <class Record>
struct FlagField {
    const char* Name;
    bool Record::*Member;
    bool Default;
};

template <class Record>
struct TextField {
    const char* Name;
    std::string Record::*Member;
    const char* Default;
};

template <class Record>
struct DateField {
    const char* Name;
    double Record::*Member;
    double Default;
};

template <class Record>
using StoredField =
    std::variant<IntegerField<Record>, FlagField<Record>, TextField<Record>, DateField<Record>>;

namespace stored_detail {

template <class Record>
void LoadField(const RegistryDocument& d, std::string_view key, Record& r,
               const IntegerField<Record>& f) {
    const auto v = LoadInteger(d, key, f.Name);
    r.*f.Member = v && *v >= f.Min && *v <= f.Max ? *v : f.Default;
}

template <class Record>
void LoadField(const RegistryDocument& d, std::string_view key, Record& r,
               const FlagField<Record>& f) {
    r.*f.Member = LoadFlag(d, key, f.Name).value_or(f.Default);
}

template <class Record>
void LoadField(const RegistryDocument& d, std::string_view key, Record& r,
               const TextField<Record>& f) {
    r.*f.Member = LoadText(d, key, f.Name).value_or(f.Default);
}

template <class Record>
void LoadField(const RegistryDocument& d, std::string_view key, Record& r,
               const DateField<Record>& f) {
    r.*f.Member = LoadDate(d, key, f.Name).value_or(f.Default);
}

template <class Record>
RegistryValue FieldValue(const Record& r, const IntegerField<Record>& f) {
    return IntegerValue(r.*f.Member);
}
template <class Record>
RegistryValue FieldValue(const Record& r, const FlagField<Record>& f) {
    return FlagValue(r.*f.Member);
}
template <class Record>
RegistryValue FieldValue(const Record& r, const TextField<Record>& f) {
    return TextValue(r.*f.Member);
}
template <class Record>
RegistryValue FieldValue(const Record& r, const DateField<Record>& f) {
    return DateValue(r.*f.Member);
}

} // namespace stored_detail

// Loads every field of the table from `key`, each on its own: a missing or
// wrongly typed value gives that field's default and nothing else. The key
// is created empty when missing. Fields outside the table stay as they were.
template <class Record>
void LoadRecord(const SettingsStore& store, std::string_view key, Record& record,
                std::span<const StoredField<Record>> fields) {
    const RegistryDocument document = OpenKeyForLoad(store, key);
    for (const auto& field : fields)
        std::visit([&](const auto& f) { stored_detail::LoadField(document, key, record, f); },
                   field);
}

// Stores every field of the table under `key` in table order, in one
// atomic change. False when the store cannot be written.
template <class Record>
bool SaveRecord(const SettingsStore& store, std::string_view key, const Record& record,
                std::span<const StoredField<Record>> fields) {
    return store.Update([&](RegistryDocument& document) {
        document.CreateKey(key);
        for (const auto& field : fields)
            std::visit(
                [&](const auto& f) {
                    document.Set(key, f.Name, stored_detail::FieldValue(record, f));
                },
                field);
    });
}

} // namespace persistence
