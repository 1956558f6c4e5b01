#include "SmsStorage.h"

int SmsStorage::add(const Message& message) {
    for (int index = 1; index <= m_capacity; ++index) {
        if (!m_messages.count(index)) {
            m_messages[index] = message;
            return index;
        }
    }
    return -1;
}

SmsStorage::Message* SmsStorage::find(int index) {
    const auto it = m_messages.find(index);
    return it == m_messages.end() ? nullptr : &it->second;
}

void SmsStorage::removeByFlag(int flag) {
    for (auto it = m_messages.begin(); it != m_messages.end();) {
        const int s = it->second.status;
        const bool drop = flag >= 4 || s == RecRead || (flag >= 2 && s == StoSent) ||
                          (flag >= 3 && s == StoUnsent);
        it = drop ? m_messages.erase(it) : std::next(it);
    }
}

std::vector<int> SmsStorage::indices() const {
    std::vector<int> out;
    for (const auto& entry : m_messages)
        out.push_back(entry.first);
    return out;
}
