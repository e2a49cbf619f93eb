// The Pellaquin plug-in: the .zrv type finder and the zrvdemux element.
#include <gst/gst.h>

#include "ks_version.h"
#include "zrv_demux.h"
#include "zrv_typefind.h"

#ifndef PACKAGE
#define PACKAGE "pellaquin"
#endif

static gboolean plugin_init(GstPlugin* plugin) {
  gboolean ok = GST_TYPE_FIND_REGISTER(zrv, plugin);
  ok &= GST_ELEMENT_REGISTER(zrvdemux, plugin);
  return ok;
}

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, pellaquin,
                  "Plays .zrv camera recordings (ZRV File Reader of PC)", plugin_init, KS_VERSION_STRING,
                  "Proprietary", "Pellaquin", "https://example.invalid/pellaquin")
