#include "server/moviedecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
}

#include <cmath>
#include <cstdio>

namespace {

std::string ErrorText(int error)
{
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  return text;
}

// Throws TXDecode with what failed and why, for a negative result.
int Checked(int result, const std::string& what)
{
  if (result < 0)
    throw TMovieDecoder::TXDecode(what + ": " + ErrorText(result));
  return result;
}

struct TFormatCloser {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct TCodecFreer {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct TGraphFreer {
  void operator()(AVFilterGraph* graph) const { avfilter_graph_free(&graph); }
};
struct TPacketFreer {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct TFrameFreer {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};

// The filters the command line puts first to show a movie upright: its
// display matrix's rotation, in whole degrees clockwise from 0 to 359.
std::string UprightFilters(const AVStream& stream)
{
  const std::uint8_t* matrix = av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
  double theta = matrix ? -std::round(av_display_rotation_get(reinterpret_cast<const std::int32_t*>(matrix))) : 0;
  theta -= 360 * std::floor(theta / 360 + 0.9 / 360);
  if (std::fabs(theta - 90) < 1.0)
    return "transpose=clock,";
  if (std::fabs(theta - 180) < 1.0)
    return "hflip,vflip,";
  if (std::fabs(theta - 270) < 1.0)
    return "transpose=cclock,";
  if (std::fabs(theta) > 1.0) {
    char rotate[64];
    std::snprintf(rotate, sizeof rotate, "rotate=%f*PI/180,", theta);
    return rotate;
  }
  return "";
}

}  // namespace

struct TMovieDecoder::TState {
  std::unique_ptr<AVFormatContext, TFormatCloser> Format;
  std::unique_ptr<AVCodecContext, TCodecFreer> Codec;
  std::unique_ptr<AVFilterGraph, TGraphFreer> Graph;
  std::unique_ptr<AVPacket, TPacketFreer> Packet{av_packet_alloc()};
  std::unique_ptr<AVFrame, TFrameFreer> Decoded{av_frame_alloc()};
  AVFilterContext* Source = nullptr;
  AVFilterContext* Sink = nullptr;
  int Stream = -1;
  // Frames before this time (in AV_TIME_BASE units, the movie's start
  // included) are decoded only to reach the first one kept.
  std::int64_t KeepFrom = AV_NOPTS_VALUE;
  bool InputEnded = false;
  bool DecoderDrained = false;
  bool GraphDrained = false;
  std::int64_t LastTime = 0;  // of the last picture given, in microseconds

  void Open(const std::string& path);
  void Seek(double seconds);
  void BuildGraph();
  bool Feed();
};

void TMovieDecoder::TState::Open(const std::string& path)
{
  AVFormatContext* format = nullptr;
  Checked(avformat_open_input(&format, path.c_str(), nullptr, nullptr), "cannot open " + path);
  Format.reset(format);
  Checked(avformat_find_stream_info(format, nullptr), "cannot read the streams of " + path);
  // The first video stream, as -map 0:v:0 takes it.
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    if (Stream < 0 && format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
      Stream = static_cast<int>(i);
    else
      format->streams[i]->discard = AVDISCARD_ALL;
  }
  if (Stream < 0)
    throw TXDecode("no video stream in " + path);

  const AVStream& stream = *format->streams[Stream];
  const AVCodec* decoder = avcodec_find_decoder(stream.codecpar->codec_id);
  if (!decoder)
    throw TXDecode("no decoder for the video of " + path);
  Codec.reset(avcodec_alloc_context3(decoder));
  if (!Codec || !Packet || !Decoded)
    throw TXDecode("out of memory");
  Checked(avcodec_parameters_to_context(Codec.get(), stream.codecpar), "cannot set up the decoder");
  Codec->pkt_timebase = stream.time_base;
  AVDictionary* options = nullptr;
  av_dict_set(&options, "threads", "auto", 0);
  const int opened = avcodec_open2(Codec.get(), decoder, &options);
  av_dict_free(&options);
  Checked(opened, "cannot open the decoder");
}

// Seeks as -ss before -i does: to a point a little before the time, since
// a stream with reordered frames may be indexed by decoding times, and then
// drops the frames decoded before the time.
void TMovieDecoder::TState::Seek(double seconds)
{
  AVFormatContext& format = *Format;
  std::int64_t time = std::llround(seconds * AV_TIME_BASE);
  if (format.start_time != AV_NOPTS_VALUE)
    time += format.start_time;
  std::int64_t seekTo = time;
  if (!(format.iformat->flags & AVFMT_SEEK_TO_PTS)) {
    for (unsigned i = 0; i < format.nb_streams; ++i) {
      if (format.streams[i]->codecpar->video_delay) {
        seekTo -= 3 * AV_TIME_BASE / 23;
        break;
      }
    }
  }
  Checked(avformat_seek_file(&format, -1, INT64_MIN, seekTo, seekTo, 0), "cannot seek in the movie");
  KeepFrom = time;
}

void TMovieDecoder::TState::BuildGraph()
{
  Graph.reset(avfilter_graph_alloc());
  if (!Graph)
    throw TXDecode("out of memory");
  // The command line's options for the scaler it puts in to convert.
  Graph->scale_sws_opts = av_strdup("flags=bicubic");
  const AVStream& stream = *Format->streams[Stream];
  const AVCodecContext& codec = *Codec;
  const AVRational aspect = codec.sample_aspect_ratio.num ? codec.sample_aspect_ratio : AVRational{0, 1};
  char arguments[256];
  std::snprintf(arguments, sizeof arguments, "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d",
                codec.width, codec.height, codec.pix_fmt, stream.time_base.num, stream.time_base.den, aspect.num,
                aspect.den);
  Checked(avfilter_graph_create_filter(&Source, avfilter_get_by_name("buffer"), "in", arguments, nullptr, Graph.get()),
          "cannot make the filter graph's source");
  Checked(avfilter_graph_create_filter(&Sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, Graph.get()),
          "cannot make the filter graph's sink");

  AVFilterInOut* outputs = avfilter_inout_alloc();
  AVFilterInOut* inputs = avfilter_inout_alloc();
  if (outputs && inputs) {
    outputs->name = av_strdup("in");
    outputs->filter_ctx = Source;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = Sink;
  }
  const std::string chain = UprightFilters(stream) + "format=pix_fmts=bgr24";
  const int parsed = outputs && inputs
                       ? avfilter_graph_parse_ptr(Graph.get(), chain.c_str(), &inputs, &outputs, nullptr)
                       : AVERROR(ENOMEM);
  avfilter_inout_free(&inputs);
  avfilter_inout_free(&outputs);
  Checked(parsed, "cannot make the filter graph");
  Checked(avfilter_graph_config(Graph.get(), nullptr), "cannot set up the filter graph");
}

// Gives the filter graph the next decoded frame to keep (or the end of the
// movie); false when nothing more will come.
bool TMovieDecoder::TState::Feed()
{
  for (;;) {
    const int received = avcodec_receive_frame(Codec.get(), Decoded.get());
    if (received == 0) {
      const std::int64_t pts = Decoded->best_effort_timestamp;
      if (KeepFrom != AV_NOPTS_VALUE &&
          (pts == AV_NOPTS_VALUE || av_rescale_q(pts, Format->streams[Stream]->time_base, AV_TIME_BASE_Q) < KeepFrom)) {
        av_frame_unref(Decoded.get());
        continue;
      }
      KeepFrom = AV_NOPTS_VALUE;  // kept from here on, in decoding order
      Decoded->pts = pts;
      if (!Graph)
        BuildGraph();
      Checked(av_buffersrc_add_frame_flags(Source, Decoded.get(), AV_BUFFERSRC_FLAG_PUSH), "cannot convert a frame");
      return true;
    }
    if (received == AVERROR_EOF) {
      DecoderDrained = true;
      if (Graph)
        Checked(av_buffersrc_add_frame_flags(Source, nullptr, 0), "cannot convert the last frames");
      return false;
    }
    if (received != AVERROR(EAGAIN))
      Checked(received, "cannot decode a frame");

    if (InputEnded) {
      Checked(avcodec_send_packet(Codec.get(), nullptr), "cannot decode the last frames");
      continue;
    }
    const int read = av_read_frame(Format.get(), Packet.get());
    if (read == AVERROR_EOF) {
      InputEnded = true;
      continue;
    }
    Checked(read, "cannot read the movie");
    if (Packet->stream_index == Stream) {
      const int sent = avcodec_send_packet(Codec.get(), Packet.get());
      // A damaged packet is skipped, as the command line goes on past one.
      if (sent < 0 && sent != AVERROR_INVALIDDATA)
        Checked(sent, "cannot decode the movie");
    }
    av_packet_unref(Packet.get());
  }
}

TMovieDecoder::TMovieDecoder(const std::string& path, double seekSeconds) : State(std::make_unique<TState>())
{
  av_log_set_level(AV_LOG_ERROR);
  State->Open(path);
  if (seekSeconds > 0)
    State->Seek(seekSeconds);
}

TMovieDecoder::~TMovieDecoder() = default;

bool TMovieDecoder::Next(TPicture& picture, std::uint32_t width, std::uint32_t height)
{
  TState& state = *State;
  av_frame_unref(picture.Frame);
  while (!state.GraphDrained) {
    const int got = state.Graph ? av_buffersink_get_frame(state.Sink, picture.Frame) : AVERROR(EAGAIN);
    if (got == 0) {
      if (picture.Frame->width != static_cast<int>(width) || picture.Frame->height != static_cast<int>(height))
        throw TXDecode("a frame of the movie is " + std::to_string(picture.Frame->width) + "x" +
                       std::to_string(picture.Frame->height) + ", not " + std::to_string(width) + "x" +
                       std::to_string(height) + " as the copy's frames");
      // A picture without a time keeps the one before it.
      const std::int64_t pts = picture.Frame->pts;
      const std::int64_t start = state.Format->start_time == AV_NOPTS_VALUE ? 0 : state.Format->start_time;
      if (pts != AV_NOPTS_VALUE)
        state.LastTime = av_rescale_q(pts, av_buffersink_get_time_base(state.Sink), AV_TIME_BASE_Q) - start;
      picture.Microseconds = state.LastTime;
      return true;
    }
    if (got == AVERROR_EOF || (got == AVERROR(EAGAIN) && state.DecoderDrained))
      state.GraphDrained = true;
    else if (got != AVERROR(EAGAIN))
      Checked(got, "cannot convert a frame");
    else
      state.Feed();
  }
  return false;
}

TMovieDecoder::TPicture::TPicture() : Frame(av_frame_alloc())
{
  if (!Frame)
    throw TXDecode("out of memory");
}

TMovieDecoder::TPicture::~TPicture()
{
  av_frame_free(&Frame);
}

TMovieDecoder::TPicture& TMovieDecoder::TPicture::operator=(TPicture&& other) noexcept
{
  std::swap(Frame, other.Frame);
  std::swap(Microseconds, other.Microseconds);
  return *this;
}

const std::uint8_t* TMovieDecoder::TPicture::Row(std::uint32_t y) const
{
  return Frame->data[0] + static_cast<std::ptrdiff_t>(y) * Frame->linesize[0];
}

std::ptrdiff_t TMovieDecoder::TPicture::Stride() const
{
  return Frame->linesize[0];
}
