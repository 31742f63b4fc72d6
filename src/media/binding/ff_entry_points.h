// Entry points of the media libraries, bound at run time by the loader.
//
// Nothing links against the libraries: every call goes through a pointer in
// namespace ff that is typed from the library's own header and stays null
// while its library is not bound. One X-macro list per library drives both
// the declarations below and the binding (dlsym by name, in list order).
// Adding an entry point is one line in its library's list.
//
// Inline helpers of the headers call exported functions behind our back, so
// never call a library function directly and avoid helpers such as
// av_err2str; av_make_error_string needs av_strerror bound (it is).
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavdevice/avdevice.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/avutil.h>
#include <libavutil/dict.h>
#include <libavutil/hwcontext.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
#include <libavutil/time.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}
#include <cstdio>
#include <cstdlib>

// Each list ends with an empty comment line so that appending stays a
// one-line change.
#define LS_FF_AVCODEC_FUNCS(X)         \
  X(avcodec_find_decoder_by_name)      \
  X(avcodec_find_encoder_by_name)      \
  X(avcodec_get_class)                 \
  X(av_new_packet)                     \
  X(av_packet_unref)                   \
  X(av_packet_alloc)                   \
  X(av_packet_free)                    \
  X(avcodec_find_decoder)              \
  X(avcodec_string)                    \
  X(avcodec_alloc_context3)            \
  X(avcodec_free_context)              \
  X(avcodec_parameters_to_context)     \
  X(avcodec_open2)                     \
  X(avcodec_send_packet)               \
  X(avcodec_receive_frame)             \
  X(avcodec_find_encoder)        \
  X(avcodec_send_frame)          \
  X(avcodec_receive_packet)      \
  X(avcodec_parameters_from_context) \
  X(avcodec_parameters_copy)     \
  X(avcodec_get_name)            \
  X(avcodec_find_best_pix_fmt_of_list) \
  X(av_packet_rescale_ts)        \
  X(av_packet_move_ref)          \
  X(av_bsf_get_by_name)          \
  X(av_bsf_alloc)                \
  X(av_bsf_init)                 \
  X(av_bsf_send_packet)          \
  X(av_bsf_receive_packet)       \
  X(av_bsf_free)                 \
  X(av_packet_ref)               \
  X(av_packet_get_side_data)      \
  X(avcodec_flush_buffers)        \
  X(avcodec_encode_subtitle)      \
  X(avcodec_decode_subtitle2)     \
  X(avsubtitle_free)              \
  /* end */

#define LS_FF_AVDEVICE_FUNCS(X)        \
  X(avdevice_register_all)             \
  /* end */

#define LS_FF_AVFILTER_FUNCS(X)        \
  X(avfilter_get_by_name)              \
  X(avfilter_graph_alloc)        \
  X(avfilter_graph_create_filter) \
  X(avfilter_link)               \
  X(avfilter_graph_config)       \
  X(avfilter_graph_free)         \
  X(avfilter_graph_parse_ptr)    \
  X(avfilter_inout_alloc)        \
  X(avfilter_inout_free)         \
  X(av_buffersrc_add_frame_flags) \
  X(av_buffersink_get_frame)     \
  X(av_buffersink_get_w)         \
  X(av_buffersink_get_h)         \
  X(av_buffersink_get_sample_aspect_ratio) \
  X(av_buffersink_get_format)    \
  X(av_buffersink_get_time_base) \
  /* end */

#define LS_FF_AVFORMAT_FUNCS(X)        \
  X(avformat_get_class)                \
  X(avformat_network_deinit)           \
  X(avformat_network_init)             \
  X(av_find_input_format)              \
  X(av_guess_format)                   \
  X(avformat_alloc_context)            \
  X(avformat_version)                  \
  X(avformat_free_context)             \
  X(avformat_new_stream)               \
  X(av_new_program)                    \
  X(av_program_add_stream_index)       \
  X(av_dump_format)                    \
  X(avformat_find_stream_info)         \
  X(avformat_open_input)         \
  X(avformat_close_input)        \
  X(av_read_frame)               \
  X(avformat_alloc_output_context2) \
  X(avio_open2)                  \
  X(avio_closep)                 \
  X(avio_size)                   \
  X(avio_seek)                   \
  X(avformat_write_header)       \
  X(av_write_trailer)            \
  X(av_interleaved_write_frame)  \
  X(avformat_seek_file)          \
  X(av_seek_frame)               \
  X(av_guess_codec)              \
  X(av_filename_number_test)     \
  X(av_pkt_dump_log2)            \
  X(av_sdp_create)               \
  /* end */

#define LS_FF_AVUTIL_FUNCS(X)          \
  X(av_dict_free)                      \
  X(av_dict_get)                       \
  X(av_dict_set)                       \
  X(av_free)                           \
  X(av_get_pix_fmt)                    \
  X(av_get_sample_fmt)                 \
  X(av_image_fill_arrays)              \
  X(av_image_get_buffer_size)          \
  X(av_log)                            \
  X(av_log_get_level)                  \
  X(av_log_set_callback)               \
  X(av_log_set_level)                  \
  X(av_malloc)                         \
  X(av_opt_find)                       \
  X(av_opt_set)                        \
  X(av_parse_time)                     \
  X(av_parse_video_rate)               \
  X(av_parse_video_size)               \
  X(av_strerror)                       \
  X(av_max_alloc)                      \
  X(av_mallocz)                        \
  X(av_freep)                          \
  X(av_strdup)                         \
  X(av_opt_set_defaults)               \
  X(av_opt_set_dict)                   \
  X(av_opt_free)                       \
  X(av_opt_get)                        \
  X(av_frame_alloc)                    \
  X(av_frame_free)                     \
  X(av_opt_get_int)                    \
  X(av_rescale_q)                \
  X(av_rescale)                  \
  X(av_compare_ts)               \
  X(av_gettime)                  \
  X(av_usleep)                   \
  X(av_audio_fifo_alloc)         \
  X(av_audio_fifo_free)          \
  X(av_audio_fifo_write)         \
  X(av_audio_fifo_read)          \
  X(av_audio_fifo_size)          \
  X(av_frame_get_buffer)         \
  X(av_frame_unref)              \
  X(av_frame_move_ref)           \
  X(av_samples_set_silence)      \
  X(av_get_pix_fmt_name)         \
  X(av_get_sample_fmt_name)      \
  X(av_get_bytes_per_sample)     \
  X(av_channel_layout_default)   \
  X(av_channel_layout_copy)      \
  X(av_channel_layout_uninit)    \
  X(av_channel_layout_compare)   \
  X(av_get_media_type_string)    \
  X(av_dict_copy)                \
  X(av_int_list_length_for_size) \
  X(av_opt_set_bin)              \
  X(av_opt_set_int)              \
  X(av_opt_set_double)           \
  X(av_reduce)                   \
  X(av_frame_make_writable)      \
  X(av_frame_is_writable)        \
  X(av_frame_copy)               \
  X(av_frame_copy_props)         \
  X(av_sample_fmt_is_planar)     \
  X(av_get_packed_sample_fmt)    \
  X(av_pix_fmt_desc_get)         \
  X(av_buffer_pool_init)         \
  X(av_buffer_pool_get)          \
  X(av_buffer_pool_uninit)       \
  X(av_buffer_create)            \
  X(av_buffer_ref)               \
  X(av_buffer_unref)             \
  X(av_buffer_is_writable)       \
  X(av_hwdevice_ctx_create)      \
  X(av_frame_ref)                \
  /* end */

#define LS_FF_SWRESAMPLE_FUNCS(X)      \
  X(swr_get_class)                     \
  X(swr_alloc_set_opts2)         \
  X(swr_init)                    \
  X(swr_free)                    \
  X(swr_convert)                 \
  X(swr_get_out_samples)         \
  X(swr_set_compensation)        \
  X(swr_set_channel_mapping)     \
  /* end */

#define LS_FF_SWSCALE_FUNCS(X)         \
  X(sws_freeContext)                   \
  X(sws_getCachedContext)              \
  X(sws_get_class)                     \
  X(sws_scale)                         \
  X(sws_getContext)                    \
  X(sws_isSupportedInput)              \
  X(sws_isSupportedOutput)             \
  /* end */

// The C library. Overloaded C++ names (strchr, strrchr, ...) cannot be
// typed with decltype; give them a typedef of their own if ever needed.
#define LS_FF_LIBC_FUNCS(X)            \
  /* end */

// Data symbols, bound like functions but reported as variables. The 5.1
// libraries export none that we need (descriptors come from functions).
#define LS_FF_AVUTIL_DATA(X)           \
  /* end */

#define LS_FF_DECLARE_ENTRY(name) extern decltype(&::name) name;

namespace ff {
LS_FF_AVCODEC_FUNCS(LS_FF_DECLARE_ENTRY)
LS_FF_AVDEVICE_FUNCS(LS_FF_DECLARE_ENTRY)
LS_FF_AVFILTER_FUNCS(LS_FF_DECLARE_ENTRY)
LS_FF_AVFORMAT_FUNCS(LS_FF_DECLARE_ENTRY)
LS_FF_AVUTIL_FUNCS(LS_FF_DECLARE_ENTRY)
LS_FF_SWRESAMPLE_FUNCS(LS_FF_DECLARE_ENTRY)
LS_FF_SWSCALE_FUNCS(LS_FF_DECLARE_ENTRY)
LS_FF_LIBC_FUNCS(LS_FF_DECLARE_ENTRY)
LS_FF_AVUTIL_DATA(LS_FF_DECLARE_ENTRY)
}  // namespace ff
