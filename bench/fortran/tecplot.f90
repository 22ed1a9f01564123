! The TECPLOT file of a result file, written with ordinary formatted WRITE statements: the reference
! that bench/convert-bench.sh times against the converter. Every record ends with CR LF (the CR as
! the last character of the record).
program tecplot
  implicit none
  character(len=80) :: title
  character(len=256) :: rname, oname
  character(len=1), parameter :: cr = achar(13)
  integer :: numnp, numel, istep, n, e, j, m, nact, corners
  double precision :: time
  double precision, allocatable :: x(:), y(:), p(:), q(:), vxe(:), vye(:), vxn(:), vyn(:), r(:, :)
  integer, allocatable :: ncode(:), elem(:, :), cnt(:)
  integer :: ios
  call get_command_argument(1, rname)
  call get_command_argument(2, oname)
  open(10, file=rname, status='old', form='unformatted', access='sequential')
  open(8, file=oname, status='unknown', form='formatted')
  read(10) title
  read(10) numnp
  allocate(x(numnp), y(numnp), p(numnp), q(numnp), ncode(numnp), vxn(numnp), vyn(numnp), cnt(numnp))
  read(10) (x(n), y(n), n = 1, numnp)
  read(10) numel
  allocate(elem(5, numel), r(2, numel), vxe(numel), vye(numel))
  read(10) ((elem(j, e), j = 1, 5), r(1, e), r(2, e), e = 1, numel)
  nact = count(elem(5, :) > 0)
  do
    read(10, iostat=ios) istep, time
    if (ios /= 0) exit
    read(10) (ncode(n), p(n), q(n), n = 1, numnp)
    read(10) (vxe(e), vye(e), e = 1, numel)
    ! Nodal velocity: the mean over the active elements at the node (a triangle repeats K as L).
    cnt = 0
    vxn = 0d0
    vyn = 0d0
    do e = 1, numel
      if (elem(5, e) <= 0) cycle
      corners = 4
      if (elem(3, e) == elem(4, e)) corners = 3
      do j = 1, corners
        m = elem(j, e)
        if (m < 1 .or. m > numnp) cycle
        cnt(m) = cnt(m) + 1
        vxn(m) = vxn(m) + vxe(e)
        vyn(m) = vyn(m) + vye(e)
      end do
    end do
    do n = 1, numnp
      if (cnt(n) > 0) then
        vxn(n) = vxn(n) / cnt(n)
        vyn(n) = vyn(n) / cnt(n)
      end if
    end do
    write(8, '(A,1P,E12.4,A,A,A,A/A,A/A,I5,A,I5,A,A)') 'TITTLE = "TIME=', time, ' ', title, '"', cr, &
      'VARIABLES = "X","Y","P","H","VX","VY","V"', cr, 'ZONE N= ', numnp, ', E= ', nact, ', F=FEPOINT', cr
    do n = 1, numnp
      write(8, '(1P,E12.4,6(",",1P,E12.4),A)') x(n), y(n), p(n), y(n) + p(n), vxn(n), vyn(n), &
        sqrt(vxn(n) * vxn(n) + vyn(n) * vyn(n)), cr
    end do
    do e = 1, numel
      if (elem(5, e) > 0) write(8, '(I5,3(",",I5),A)') (elem(j, e), j = 1, 4), cr
    end do
  end do
  close(8)
end program tecplot
