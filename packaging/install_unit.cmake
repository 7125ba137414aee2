# Installs the dedicated host's systemd unit; run at install time, when the prefix is known (CPack installs with
# /usr). systemd reads the units of the system's own packages from /lib/systemd/system and those of a local
# installation from <prefix>/lib/systemd/system, and the unit's program path follows the prefix as well.
# Set by the install rule: unit (the unit file), games_dir (the programs' folder below the prefix), work_dir.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(unit_dir /lib/systemd/system)
else()
  set(unit_dir ${CMAKE_INSTALL_PREFIX}/lib/systemd/system)
endif()
file(READ ${unit} text)
string(REPLACE "ExecStart=/usr/games/" "ExecStart=${CMAKE_INSTALL_PREFIX}/${games_dir}/" text "${text}")
get_filename_component(name ${unit} NAME)
file(WRITE ${work_dir}/${name} "${text}")
file(INSTALL DESTINATION ${unit_dir} TYPE FILE FILES ${work_dir}/${name})
