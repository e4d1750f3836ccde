namespace platform::media {}
