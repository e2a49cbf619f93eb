// The web page's HTML: the cameras table, one camera's page with its recent
// runs, and the login form. Plain HTML that works without JavaScript; every
// text that came from a camera, a file or the user is escaped. The table's
// cells are made from the same JSON objects /api/cameras answers with, so
// the script that refreshes them (velmora.js) shows the same thing.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <vector>

#include "run_result.h"
#include "web_texts.h"

namespace velmora {

struct PageContext {
  QByteArray token;    // the session's token for the action forms
  bool signed_in = false;  // a password is set and this session passed it
  WebLanguage language = WebLanguage::English;
};

QByteArray cameras_page(const std::vector<QJsonObject>& cameras, const PageContext& context);
QByteArray camera_page(const QJsonObject& camera, const std::vector<RunResult>& runs,
                       const PageContext& context);
// `message`: why the last attempt was refused ("" for none).
QByteArray login_page(const QString& message, WebLanguage language);
QByteArray message_page(const QString& title, const QString& text, WebLanguage language);

}  // namespace velmora
