#include "DialogStatement.h"

DialogPhrase* DialogStatement::Phrase(int32_t position) const {
    if (position < 0 || size_t(position) >= phrases.size()) return nullptr;
    return phrases[size_t(position)].get();
}

int32_t DialogStatement::ActiveCount() const {
    int32_t count = 0;
    for (const auto& phrase : phrases)
        if (phrase->Active()) ++count;
    return count;
}

DialogPhrase* DialogStatement::FirstActive() const {
    for (const auto& phrase : phrases)
        if (phrase->Active()) return phrase.get();
    return nullptr;
}

int32_t DialogStatement::AddPhrase(std::unique_ptr<DialogPhrase> phrase) {
    if (!phrase) return -1;
    phrases.push_back(std::move(phrase));
    return int32_t(phrases.size()) - 1;
}
