// Random sequences of create, set, delete and enumerate on a fresh store, each result checked
// against a plain in-memory tree: names compare without regard to case and keep the spelling
// they were created with, sub-keys enumerate in the order of their lower-case UTF-8 names,
// values in creation order.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <map>
#include <memory>

#include "FuzzSupport.h"
#include "platform/RegistryHive.h"

using namespace pictavo;

namespace {

struct ModelKey {
    QString name;
    std::map<QByteArray, ModelKey> children;  // by lower-case UTF-8 name: the store's order
    std::vector<NamedRegValue> values;        // creation order
};

QByteArray lname(const QString& name) {
    return name.toLower().toUtf8();
}

// The value of that name in `key`, or null; also null when there is no key.
NamedRegValue* findValue(ModelKey* key, const QString& name) {
    if (!key) {
        return nullptr;
    }
    for (NamedRegValue& v : key->values) {
        if (lname(v.name) == lname(name)) {
            return &v;
        }
    }
    return nullptr;
}

// Depth and name of `key` and every key below it, depth first in the store's order.
void flatten(const ModelKey& key, int depth, std::vector<std::pair<int, QString>>& out) {
    out.push_back({depth, key.name});
    for (const auto& [l, child] : key.children) {
        flatten(child, depth + 1, out);
    }
}

class Model {
public:
    ModelKey* find(std::uint32_t root, const QStringList& parts) {
        if (!RegistryHive::isRoot(root)) {
            return nullptr;
        }
        ModelKey* key = &roots_[root];
        for (const QString& part : parts) {
            const auto it = key->children.find(lname(part));
            if (it == key->children.end()) {
                return nullptr;
            }
            key = &it->second;
        }
        return key;
    }
    bool create(std::uint32_t root, const QStringList& parts) {
        if (!RegistryHive::isRoot(root) || parts.contains(QString())) {
            return false;
        }
        ModelKey* key = &roots_[root];
        for (const QString& part : parts) {
            key = &key->children.try_emplace(lname(part), ModelKey{part, {}, {}}).first->second;
        }
        return true;
    }
    long remove(std::uint32_t root, const QStringList& parts, bool tree) {
        if (parts.isEmpty()) {
            return RegistryHive::isRoot(root) ? RegResult::AccessDenied : RegResult::FileNotFound;
        }
        ModelKey* parent = find(root, parts.mid(0, parts.size() - 1));
        if (!parent || !parent->children.contains(lname(parts.last()))) {
            return RegResult::FileNotFound;
        }
        const auto it = parent->children.find(lname(parts.last()));
        if (!tree && !it->second.children.empty()) {
            return RegResult::AccessDenied;
        }
        parent->children.erase(it);
        return RegResult::Success;
    }

private:
    std::map<std::uint32_t, ModelKey> roots_;
};

// Few letters, so that names meet often: upper and lower case pairs, letters whose lower case
// is another letter's, characters of more than one byte in UTF-8, and NUL (the array's last).
QString pickName(FuzzedDataProvider& in) {
    static const char16_t letters[] = u"aAbB\u00e9\u00c9\u00df\u0130iI\u03a3\u03c3 .";
    QString name;
    for (int n = in.ConsumeIntegralInRange(0, 2); n > 0; --n) {
        name += QChar(letters[in.ConsumeIntegralInRange<size_t>(0, std::size(letters) - 1)]);
    }
    return name;
}

QStringList pickPath(FuzzedDataProvider& in) {
    QStringList parts;
    for (int n = in.ConsumeIntegralInRange(0, 3); n > 0; --n) {
        parts << pickName(in);
    }
    return parts;
}

RegValue pickValue(FuzzedDataProvider& in) {
    static const RegType types[] = {RegType::None,   RegType::Sz,    RegType::ExpandSz,
                                    RegType::Binary, RegType::Dword, RegType::MultiSz};
    const RegType type = in.PickValueInArray(types);
    const std::string data = in.ConsumeRandomLengthString(16);
    return {type, QByteArray(data.data(), qsizetype(data.size()))};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = fuzz::freshStorePath("registry_hive");
    RegistryHive hive(path);
    Model model;
    FuzzedDataProvider in(data, size);
    static const std::uint32_t roots[] = {RootKey::CurrentUser, RootKey::LocalMachine, 0x1234};
    while (in.remaining_bytes() > 0) {
        const std::uint32_t root = in.PickValueInArray(roots);
        QStringList parts = pickPath(in);
        const QString sub = parts.join(QLatin1Char('\\'));
        if (sub.isEmpty()) {
            parts.clear();  // one empty name is the empty path: the root itself
        }
        ModelKey* key = model.find(root, parts);
        switch (in.ConsumeIntegralInRange(0, 6)) {
            case 0:
                CHECK(hive.createKey(root, sub) == model.create(root, parts));
                break;
            case 1:
            case 2: {
                const bool tree = in.ConsumeBool();
                const long expected = model.remove(root, parts, tree);
                CHECK((tree ? hive.deleteTree(root, sub) : hive.deleteKey(root, sub)) == expected);
                break;
            }
            case 3: {
                const QString name = pickName(in);
                const RegValue value = pickValue(in);
                CHECK(hive.setValue(root, sub, name, value) ==
                      (key ? RegResult::Success : RegResult::FileNotFound));
                if (NamedRegValue* old = findValue(key, name)) {
                    old->value = value;
                } else if (key) {
                    key->values.push_back({name, value});
                }
                break;
            }
            case 4: {
                const QString name = pickName(in);
                const NamedRegValue* old = findValue(key, name);
                CHECK(hive.deleteValue(root, sub, name) ==
                      (old ? RegResult::Success : RegResult::FileNotFound));
                if (old) {
                    key->values.erase(key->values.begin() + (old - key->values.data()));
                }
                break;
            }
            case 5: {
                const QString name = pickName(in);
                const auto got = hive.queryValue(root, sub, name);
                const NamedRegValue* expected = findValue(key, name);
                CHECK(got.has_value() == (expected != nullptr));
                CHECK(!got ||
                      (got->type == expected->value.type && got->data == expected->value.data));
                break;
            }
            default: {
                CHECK(hive.keyExists(root, sub) == (key != nullptr));
                const auto names = hive.subKeys(root, sub);
                const auto values = hive.values(root, sub);
                const auto spelled = hive.canonicalPath(root, sub);
                CHECK(names.has_value() == (key != nullptr) &&
                      values.has_value() == (key != nullptr) &&
                      spelled.has_value() == (key != nullptr));
                if (!key) {
                    break;
                }
                QStringList expectedNames;
                for (const auto& [l, child] : key->children) {
                    expectedNames << child.name;
                }
                CHECK(*names == expectedNames);
                CHECK(values->size() == key->values.size());
                for (size_t i = 0; i < values->size(); ++i) {
                    const NamedRegValue& a = (*values)[i];
                    const NamedRegValue& b = key->values[i];
                    CHECK(a.name == b.name && a.value.type == b.value.type &&
                          a.value.data == b.value.data);
                }
                QStringList canonical;
                ModelKey* walk = model.find(root, {});
                for (const QString& part : parts) {
                    walk = &walk->children.at(lname(part));
                    canonical << walk->name;
                }
                CHECK(*spelled == canonical.join(QLatin1Char('\\')));
                // The listing of the whole tree below, in one pass.
                std::vector<std::pair<int, QString>> expectedTree;
                flatten(*key, 0, expectedTree);
                expectedTree.front().second = canonical.isEmpty() ? QString() : canonical.last();
                const auto listed = hive.tree(root, sub);
                CHECK(listed && listed->size() == expectedTree.size());
                for (size_t i = 0; i < listed->size(); ++i) {
                    CHECK((*listed)[i].depth == expectedTree[i].first &&
                          (*listed)[i].name == expectedTree[i].second);
                }
                CHECK(listed->front().values.size() == key->values.size());
                break;
            }
        }
    }
    return 0;
}
