# The two documents every Debian package carries in /usr/share/doc/<package>:
# the licence in Debian's machine-readable copyright format, taken from
# LICENSE so the two never differ, and a changelog, gzipped without a time
# stamp so that two builds of one version give the same package.

set(PDRAVLIK_RELEASE_DATE "Tue, 08 Dec 2026 00:00:00 +0000"
  CACHE STRING "The date of this version's entry in the Debian changelog (RFC 5322)")

# The licence text after its title and copyright line, as a copyright file's
# License paragraph: each line indented by one space, empty lines as " .".
function(pdravlik_license_paragraph license_file out_var)
  file(READ ${license_file} text)
  string(FIND "${text}" "Permission is hereby granted" start)
  if(start EQUAL -1)
    message(FATAL_ERROR "${license_file} is not the MIT licence this file expects")
  endif()
  string(SUBSTRING "${text}" ${start} -1 text)
  string(STRIP "${text}" text)
  string(REPLACE "\n\n" "\n.\n" text "${text}")
  string(REPLACE "\n" "\n " text "${text}")
  set(${out_var} " ${text}" PARENT_SCOPE)
endfunction()

function(pdravlik_debian_documents license_file out_dir)
  pdravlik_license_paragraph(${license_file} license)
  file(WRITE ${out_dir}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: PDravlik
Upstream-Contact: PDravlik developers <pdravlik@example.org>

Files: *
Copyright: 2026 The PDravlik developers
License: Expat
${license}
")
  file(WRITE ${out_dir}/changelog
"pdravlik (${PROJECT_VERSION}) unstable; urgency=medium

  * Release ${PROJECT_VERSION}.

 -- PDravlik developers <pdravlik@example.org>  ${PDRAVLIK_RELEASE_DATE}
")
  execute_process(COMMAND gzip -9nf ${out_dir}/changelog RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip could not compress ${out_dir}/changelog")
  endif()
endfunction()
