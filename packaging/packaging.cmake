# Installing and the Debian package: filled in below.
