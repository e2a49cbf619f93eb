// The web page's HTML: the cameras table, one camera's page with its recent
// runs, and the login form. Plain HTML that works without JavaScript; every
// text that came from a camera, a file or the user is escaped. The table's
// cells are made from the same JSON objects /api/cameras answers with, so
// the script that refreshes them (velmora.js) shows the same thing.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <vector>

#include "card_listing.h"
#include "run_result.h"
#include "web_texts.h"

namespace velmora {

// The settings the cameras page shows (read only: they are changed on the
// command line or in the window). Never a password.
struct ShownSettings {
  std::int32_t interval_code = 0;
  int concurrency = 0;
  std::int32_t pacing_ms = 0;
  std::int64_t min_free_bytes = 0;
  std::int32_t keep_days = 0;
  QString download_folder;
  std::int64_t free_bytes = -1;  // -1 = unknown
};

struct PageContext {
  QByteArray token;    // the session's token for the action forms
  bool signed_in = false;  // a password is set and this session passed it
  WebLanguage language = WebLanguage::English;
  const ShownSettings* settings = nullptr;  // shown under the cameras when set
};

QByteArray cameras_page(const std::vector<QJsonObject>& cameras, const PageContext& context);
QByteArray camera_page(const QJsonObject& camera, const std::vector<RunResult>& runs,
                       const PageContext& context);
// What is on the camera's card versus on disk, with the button that asks
// again; `busy`: a run is under way, so the camera is not asked now.
QByteArray card_page(const QJsonObject& camera, const CardListing& listing, bool busy,
                     const PageContext& context);
// `message`: why the last attempt was refused ("" for none).
QByteArray login_page(const QString& message, WebLanguage language);
QByteArray message_page(const QString& title, const QString& text, WebLanguage language);

}  // namespace velmora
