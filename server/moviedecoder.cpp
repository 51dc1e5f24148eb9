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

const std::int64_t TMovieDecoder::NoTime = AV_NOPTS_VALUE;

struct TMovieDecoder::TState {
  std::string Path;
  std::unique_ptr<AVFormatContext, TFormatCloser> Format;
  std::unique_ptr<AVCodecContext, TCodecFreer> Codec;
  std::unique_ptr<AVFilterGraph, TGraphFreer> Graph;
  std::unique_ptr<AVPacket, TPacketFreer> Packet{av_packet_alloc()};
  std::unique_ptr<AVFrame, TFrameFreer> Decoded{av_frame_alloc()};
  AVFilterContext* Source = nullptr;
  AVFilterContext* Sink = nullptr;
  // The picture the graph was built for: another size or format rebuilds it.
  int GraphWidth = 0, GraphHeight = 0, GraphFormat = -1;
  int Stream = -1;
  // Frames before this time (in AV_TIME_BASE units, the movie's start
  // included) are decoded only to reach the first one kept.
  std::int64_t KeepFrom = AV_NOPTS_VALUE;
  // After a seek: packets are skipped until a key frame, and pictures before
  // its time (stream time base) are dropped.
  bool WaitForKey = false;
  std::int64_t TrustFrom = AV_NOPTS_VALUE;
  // The key frame packet decoding started at after the seek.
  std::int64_t StartDts = AV_NOPTS_VALUE, StartPosition = -1;
  bool InputEnded = false;
  bool DecoderDrained = false;
  bool HaveDecoded = false;
  bool DecodedKey = false;    // the picture decoded last is a key frame
  bool Opened = false;        // false after an open that failed
  std::int64_t LastTime = 0;  // of the last picture given, in microseconds

  void Open();
  void Seek(double seconds);
  void Restart();
  void BuildGraph(const AVFrame& frame);
  bool Decode();
  void Convert(TPicture& picture);
  std::int64_t StartUs() const { return Format->start_time == AV_NOPTS_VALUE ? 0 : Format->start_time; }
};

void TMovieDecoder::TState::Open()
{
  Opened = false;
  Graph.reset();
  Codec.reset();
  Format.reset();
  Stream = -1;
  AVFormatContext* format = nullptr;
  Checked(avformat_open_input(&format, Path.c_str(), nullptr, nullptr), "cannot open " + Path);
  Format.reset(format);
  Checked(avformat_find_stream_info(format, nullptr), "cannot read the streams of " + Path);
  // The first video stream, as -map 0:v:0 takes it.
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    if (Stream < 0 && format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
      Stream = static_cast<int>(i);
    else
      format->streams[i]->discard = AVDISCARD_ALL;
  }
  if (Stream < 0)
    throw TXDecode("no video stream in " + Path);

  const AVStream& stream = *format->streams[Stream];
  const AVCodec* decoder = avcodec_find_decoder(stream.codecpar->codec_id);
  if (!decoder)
    throw TXDecode("no decoder for the video of " + Path);
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
  KeepFrom = TrustFrom = AV_NOPTS_VALUE;
  WaitForKey = InputEnded = DecoderDrained = HaveDecoded = false;
  Opened = true;
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

// Empties the decoder and the conversion after the demuxer moved.
void TMovieDecoder::TState::Restart()
{
  avcodec_flush_buffers(Codec.get());
  Graph.reset();
  av_frame_unref(Decoded.get());
  av_packet_unref(Packet.get());
  KeepFrom = TrustFrom = AV_NOPTS_VALUE;
  InputEnded = DecoderDrained = HaveDecoded = false;
}

void TMovieDecoder::TState::BuildGraph(const AVFrame& frame)
{
  Graph.reset(avfilter_graph_alloc());
  if (!Graph)
    throw TXDecode("out of memory");
  // The command line's options for the scaler it puts in to convert.
  Graph->scale_sws_opts = av_strdup("flags=bicubic");
  const AVStream& stream = *Format->streams[Stream];
  const AVRational aspect = frame.sample_aspect_ratio.num ? frame.sample_aspect_ratio : AVRational{0, 1};
  char arguments[256];
  std::snprintf(arguments, sizeof arguments, "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d",
                frame.width, frame.height, frame.format, stream.time_base.num, stream.time_base.den, aspect.num,
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
  GraphWidth = frame.width;
  GraphHeight = frame.height;
  GraphFormat = frame.format;
}

// Decodes the next picture to keep into Decoded; false when nothing more
// will come.
bool TMovieDecoder::TState::Decode()
{
  if (!Opened)
    throw TXDecode("the movie could not be opened again");
  av_frame_unref(Decoded.get());
  HaveDecoded = false;
  const AVRational timeBase = Format->streams[Stream]->time_base;
  while (!DecoderDrained) {
    const int received = avcodec_receive_frame(Codec.get(), Decoded.get());
    if (received == 0) {
      const std::int64_t pts = Decoded->best_effort_timestamp;
      const bool early = KeepFrom != AV_NOPTS_VALUE &&
                         (pts == AV_NOPTS_VALUE || av_rescale_q(pts, timeBase, AV_TIME_BASE_Q) < KeepFrom);
      const bool untrusted = TrustFrom != AV_NOPTS_VALUE && (pts == AV_NOPTS_VALUE || pts < TrustFrom);
      if (early || untrusted) {
        av_frame_unref(Decoded.get());
        continue;
      }
      KeepFrom = AV_NOPTS_VALUE;  // kept from here on, in decoding order
      Decoded->pts = pts;
      HaveDecoded = true;
      DecodedKey = Decoded->key_frame != 0;
      return true;
    }
    if (received == AVERROR_EOF) {
      DecoderDrained = true;
      break;
    }
    // A picture that cannot be decoded is passed over, as the command line
    // goes on past one.
    if (received == AVERROR_INVALIDDATA)
      continue;
    if (received != AVERROR(EAGAIN))
      Checked(received, "cannot decode a frame");

    if (InputEnded) {
      Checked(avcodec_send_packet(Codec.get(), nullptr), "cannot decode the last frames");
      continue;
    }
    // A read error ends the movie there, as on the command line.
    if (av_read_frame(Format.get(), Packet.get()) < 0) {
      InputEnded = true;
      continue;
    }
    if (Packet->stream_index == Stream && !(WaitForKey && !(Packet->flags & AV_PKT_FLAG_KEY))) {
      if (WaitForKey) {
        WaitForKey = false;
        TrustFrom = Packet->pts;
        StartDts = Packet->dts;
        StartPosition = Packet->pos;
      }
      const int sent = avcodec_send_packet(Codec.get(), Packet.get());
      // A damaged packet is skipped, as the command line goes on past one.
      if (sent < 0 && sent != AVERROR_INVALIDDATA)
        Checked(sent, "cannot decode the movie");
    }
    av_packet_unref(Packet.get());
  }
  return false;
}

void TMovieDecoder::TState::Convert(TPicture& picture)
{
  if (!HaveDecoded)
    throw TXDecode("no decoded picture to convert");
  HaveDecoded = false;
  AVFrame& frame = *Decoded;
  if (!Graph || frame.width != GraphWidth || frame.height != GraphHeight || frame.format != GraphFormat)
    BuildGraph(frame);
  const std::int64_t pts = frame.pts;
  Checked(av_buffersrc_add_frame_flags(Source, &frame, AV_BUFFERSRC_FLAG_PUSH), "cannot convert a frame");
  av_frame_unref(picture.Frame);
  const int got = av_buffersink_get_frame(Sink, picture.Frame);
  if (got == AVERROR(EAGAIN))
    throw TXDecode("the conversion gave no picture");
  Checked(got, "cannot convert a frame");
  // A picture without a time keeps the one before it.
  if (pts != AV_NOPTS_VALUE)
    LastTime = av_rescale_q(pts, Format->streams[Stream]->time_base, AV_TIME_BASE_Q) - StartUs();
  picture.Microseconds = LastTime;
}

TMovieDecoder::TMovieDecoder(const std::string& path) : State(std::make_unique<TState>())
{
  av_log_set_level(AV_LOG_ERROR);
  State->Path = path;
  State->Open();
}

TMovieDecoder::TMovieDecoder(const std::string& path, double seekSeconds) : TMovieDecoder(path)
{
  if (seekSeconds > 0)
    State->Seek(seekSeconds);
}

TMovieDecoder::~TMovieDecoder() = default;

TMovieDecoder::TStreamInfo TMovieDecoder::Info() const
{
  const AVFormatContext& format = *State->Format;
  const AVStream& stream = *format.streams[State->Stream];
  TStreamInfo info;
  info.TimeBaseNumerator = stream.time_base.num;
  info.TimeBaseDenominator = stream.time_base.den;
  info.StartUs = State->StartUs();
  info.AverageRateNumerator = stream.avg_frame_rate.num;
  info.AverageRateDenominator = stream.avg_frame_rate.den;
  info.RealRateNumerator = stream.r_frame_rate.num;
  info.RealRateDenominator = stream.r_frame_rate.den;
  if (stream.duration != AV_NOPTS_VALUE)
    info.DurationUs = av_rescale_q(stream.duration, stream.time_base, AV_TIME_BASE_Q);
  else if (format.duration != AV_NOPTS_VALUE)
    info.DurationUs = format.duration;
  info.Reorders = stream.codecpar->video_delay > 0 || State->Codec->has_b_frames > 0;
  return info;
}

bool TMovieDecoder::Next(TPicture& picture, std::uint32_t width, std::uint32_t height)
{
  std::int64_t pts = NoTime;
  if (!Decode(pts))
    return false;
  Convert(picture);
  if (picture.Width() != width || picture.Height() != height)
    throw TXDecode("a frame of the movie is " + std::to_string(picture.Width()) + "x" +
                   std::to_string(picture.Height()) + ", not " + std::to_string(width) + "x" + std::to_string(height) +
                   " as the copy's frames");
  return true;
}

bool TMovieDecoder::ReadPacket(TPacketInfo& packet)
{
  TState& state = *State;
  AVPacket& read = *state.Packet;
  for (;;) {
    av_packet_unref(&read);
    const int result = av_read_frame(state.Format.get(), &read);
    if (result == AVERROR_EOF)
      return false;
    Checked(result, "cannot read the movie");
    if (read.stream_index != state.Stream)
      continue;
    packet.Pts = read.pts;
    packet.Dts = read.dts;
    packet.Position = read.pos;
    packet.Key = (read.flags & AV_PKT_FLAG_KEY) != 0;
    packet.Discard = (read.flags & AV_PKT_FLAG_DISCARD) != 0;
    av_packet_unref(&read);
    return true;
  }
}

void TMovieDecoder::SeekToKey(std::int64_t pts, std::int64_t dts, std::int64_t position)
{
  TState& state = *State;
  if (!state.Opened)
    state.Open();
  AVFormatContext& format = *state.Format;
  const int flags = format.iformat->flags;
  // Streams without an index of their own (transport and program streams,
  // bare elementary streams) are found again best by the packet's place in
  // the file; the others by its time in their index.
  const bool byPosition = position >= 0 && (flags & (AVFMT_TS_DISCONT | AVFMT_GENERIC_INDEX)) &&
                          !(flags & AVFMT_NO_BYTE_SEEK);
  int sought = 0;
  if (byPosition) {
    sought = av_seek_frame(&format, state.Stream, position, AVSEEK_FLAG_BYTE);
  } else {
    const std::int64_t time = (flags & AVFMT_SEEK_TO_PTS) || dts == AV_NOPTS_VALUE ? pts : dts;
    sought = av_seek_frame(&format, state.Stream, time, AVSEEK_FLAG_BACKWARD);
  }
  Checked(sought, "cannot seek in the movie");
  state.Restart();
  state.WaitForKey = true;
  state.StartDts = AV_NOPTS_VALUE;
  state.StartPosition = -1;
}

bool TMovieDecoder::StartedAt(std::int64_t dts, std::int64_t position) const
{
  const TState& state = *State;
  return !state.WaitForKey &&
         ((dts != AV_NOPTS_VALUE && state.StartDts == dts) || (position >= 0 && state.StartPosition == position));
}

void TMovieDecoder::Rewind()
{
  State->Open();
}

bool TMovieDecoder::Decode(std::int64_t& pts)
{
  if (!State->Decode())
    return false;
  pts = State->Decoded->pts;
  return true;
}

bool TMovieDecoder::DecodedIsKey() const
{
  return State->DecodedKey;
}

void TMovieDecoder::Convert(TPicture& picture)
{
  State->Convert(picture);
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

std::uint32_t TMovieDecoder::TPicture::Width() const
{
  return static_cast<std::uint32_t>(Frame->width);
}

std::uint32_t TMovieDecoder::TPicture::Height() const
{
  return static_cast<std::uint32_t>(Frame->height);
}
