#pragma once
// The zrvdemux element: hosts the recording source behind a pull-mode sink
// pad and "video" / "audio" source pads.
#include <gst/gst.h>

G_BEGIN_DECLS

#define GST_TYPE_ZRV_DEMUX (gst_zrv_demux_get_type())
G_DECLARE_FINAL_TYPE(GstZrvDemux, gst_zrv_demux, GST, ZRV_DEMUX, GstElement)

GST_ELEMENT_REGISTER_DECLARE(zrvdemux);

G_END_DECLS
