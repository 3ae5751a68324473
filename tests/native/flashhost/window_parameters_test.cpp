#include "flashhost/window_parameters.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/paths.h"
#include "payload/work_folder.h"
#include "settings/settings.h"

namespace {

using flashhost::ParameterList;

std::string listed(const ParameterList& list) {
  std::string out;
  for (std::size_t i = 0; i < list.size(); ++i) {
    out += (i ? " " : "") + list.name(i) + "=" + list.value(i);
  }
  return out;
}

class WindowParameters : public ::testing::Test {
 protected:
  void SetUp() override {
    work_folder::set_name("windowparams_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    ASSERT_TRUE(work_folder::create());
    movie_ = work_folder::path_of("movie.swf");
    std::FILE* f = std::fopen(movie_.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("FWS", f);
    std::fclose(f);
    flashhost::set_default_parameters(list_);
  }
  void TearDown() override {
    paths::delete_file(movie_);
    std::remove(work_folder::path().c_str());
    work_folder::set_name("");
  }
  std::string movie_;
  ParameterList list_;
  WindowSettings window_;
};

TEST_F(WindowParameters, StandardWindowWithBackgroundColour) {
  window_.movie_path = movie_;
  window_.use_background_colour = true;
  window_.background_colour = 0x00336699;
  window_.quality = Quality::auto_high;
  window_.show_menu = true;
  window_.scale_mode = ScaleMode::show_all;
  flashhost::apply_window_settings(list_, window_);
  EXPECT_EQ(listed(list_),
            "type=application/x-shockwave-flash allowscriptaccess=always quality=autohigh "
            "wmode=opaque salign=LT scale=showall src=" +
                movie_ + " bgcolor=#996633 menu=true");
}

TEST_F(WindowParameters, TransparentWindowKeepsWmodeFourthAndMissingMovieSendsNoSrc) {
  window_.movie_path = work_folder::path_of("absent.swf");
  window_.window_type = WindowType::transparent;
  window_.use_background_colour = false;
  window_.quality = Quality::low;
  window_.show_menu = false;
  window_.scale_mode = ScaleMode::no_border;
  flashhost::apply_window_settings(list_, window_);
  EXPECT_EQ(listed(list_),
            "type=application/x-shockwave-flash allowscriptaccess=always quality=low "
            "wmode=transparent salign=LT scale=noborder menu=false");
}

TEST_F(WindowParameters, SaverWindowPlacesTheMovieNameInTheWorkFolderAndIgnoresTheType) {
  window_.movie_path = std::string("elsewhere") + paths::separator() + "movie.swf";
  window_.window_type = WindowType::transparent;
  window_.use_background_colour = true;
  window_.background_colour = 0x00010203;
  window_.quality = Quality::best;
  window_.show_menu = false;
  window_.scale_mode = ScaleMode::exact_fit;
  flashhost::apply_saver_window_settings(list_, window_);
  EXPECT_EQ(listed(list_),
            "type=application/x-shockwave-flash allowscriptaccess=always quality=best "
            "wmode=opaque salign=LT scale=exactfit src=" +
                movie_ + " bgcolor=#030201 menu=false");
}

}  // namespace
