#pragma once
// Recognises .zrv recordings (caps video/x-zrv) by their header and segment
// chain.
#include <gst/gst.h>

G_BEGIN_DECLS
GST_TYPE_FIND_REGISTER_DECLARE(zrv);
G_END_DECLS
