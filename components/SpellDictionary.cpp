#include "SpellDictionary.h"

#include "SpellCheckError.h"

#include <enchant.h>
#include <memory>

namespace ink {

namespace {

struct BrokerDeleter {
    void operator()(EnchantBroker* broker) const { enchant_broker_free(broker); }
};
using BrokerPtr = std::unique_ptr<EnchantBroker, BrokerDeleter>;

BrokerPtr newBroker() {
    BrokerPtr broker(enchant_broker_init());
    if (!broker)
        throw UserError("The spelling engine could not be started.");
    return broker;
}

QString firstTagWithDictionary(EnchantBroker* broker, const QStringList& languageTags) {
    for (const QString& tag : languageTags) {
        if (!tag.isEmpty() && enchant_broker_dict_exists(broker, tag.toUtf8().constData()))
            return tag;
    }
    return {};
}

} // namespace

SpellDictionary::SpellDictionary(const QStringList& languageTags) {
    BrokerPtr broker = newBroker();
    tag_ = firstTagWithDictionary(broker.get(), languageTags);
    if (tag_.isEmpty())
        throw SpellUnavailableError();
    dict_ = enchant_broker_request_dict(broker.get(), tag_.toUtf8().constData());
    if (!dict_)
        throw SpellUnavailableError();
    broker_ = broker.release();
}

SpellDictionary::~SpellDictionary() {
    enchant_broker_free_dict(broker_, dict_);
    enchant_broker_free(broker_);
}

QString SpellDictionary::firstAvailableTag(const QStringList& languageTags) {
    try {
        return firstTagWithDictionary(newBroker().get(), languageTags);
    } catch (const UserError&) {
        return {};
    }
}

bool SpellDictionary::isCorrect(const QString& word) {
    const QByteArray utf8 = word.toUtf8();
    const int result = enchant_dict_check(dict_, utf8.constData(), utf8.size());
    if (result < 0) {
        const char* reason = enchant_dict_get_error(dict_);
        throw UserError(reason ? reason : "The spelling engine failed to check a word.");
    }
    return result == 0;
}

QStringList SpellDictionary::suggestions(const QString& word) {
    const QByteArray utf8 = word.toUtf8();
    size_t count = 0;
    char** found = enchant_dict_suggest(dict_, utf8.constData(), utf8.size(), &count);
    QStringList result;
    for (size_t i = 0; i < count; ++i)
        result << QString::fromUtf8(found[i]);
    if (found)
        enchant_dict_free_string_list(dict_, found);
    return result;
}

void SpellDictionary::ignoreForSession(const QString& word) {
    const QByteArray utf8 = word.toUtf8();
    enchant_dict_add_to_session(dict_, utf8.constData(), utf8.size());
}

void SpellDictionary::addToPersonalList(const QString& word) {
    const QByteArray utf8 = word.toUtf8();
    enchant_dict_add(dict_, utf8.constData(), utf8.size());
}

} // namespace ink
