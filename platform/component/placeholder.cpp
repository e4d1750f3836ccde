namespace platform::component {}
