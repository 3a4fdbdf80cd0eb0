// Scripts the message windows for a test and keeps what they would have shown.
#pragma once

#include <QList>

#include "runtime/Seams.h"

class RecordedMessages {
  public:
    explicit RecordedMessages(runtime::MessageAnswer answer = runtime::MessageAnswer::Ok) {
        runtime::setMessageHandler([this, answer](const runtime::MessageRequest& request) {
            shown.push_back(request);
            return answer;
        });
    }
    ~RecordedMessages() { runtime::setMessageHandler({}); }
    RecordedMessages(const RecordedMessages&) = delete;
    RecordedMessages& operator=(const RecordedMessages&) = delete;

    QList<runtime::MessageRequest> shown;
};
